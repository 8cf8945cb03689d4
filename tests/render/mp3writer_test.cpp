// cMp3Writer: file creation, the buffer bound and its numbered errors.

#include "render/mp3writer.h"

#include "render/numberederror.h"
#include "render/wavbytes.h"

#include <gtest/gtest.h>

#include <cstring>

using cantora::render::cMp3Writer;
using cantora::render::NumberedError;
using namespace wavbytes;

namespace {

TEST(Mp3Writer, WritesUpToItsBufferAndNoMore) {
    TempDir dir;
    cMp3Writer w;
    EXPECT_EQ(w.BufferSize(), 8192);
    const auto notOpen = raised([&] { w.WriteBufferToFile(1); });
    EXPECT_EQ(notOpen.number, 29874);
    EXPECT_EQ(notOpen.description, "File not open for writing");

    w.Filename(dir / "out.mp3");
    EXPECT_EQ(w.WriteBufferToFile(0), 0);
    // Exactly the buffer's size is allowed, one byte more is not.
    std::memset(w.BufferPointer(), 'z', 8192);
    EXPECT_EQ(w.WriteBufferToFile(8192), 8192);
    w.Filename(dir / "out.mp3");
    const auto tooMuch = raised([&] { w.WriteBufferToFile(8193); });
    EXPECT_EQ(tooMuch.number, 29873);
    EXPECT_EQ(tooMuch.source, "cantora.WriteBufferToFile");
    EXPECT_EQ(tooMuch.description, "Cannot write more data than is available in the buffer");

    std::memcpy(w.BufferPointer(), "abcdef", 6);
    EXPECT_EQ(w.WriteBufferToFile(6), 6);
    EXPECT_EQ(w.WriteBufferToFile(2), 2);
    std::memcpy(w.BufferPointer(), "XY", 2);
    w.WriteBufferAt(1, 2); // an in-place rewrite, then appending goes on at the end
    EXPECT_EQ(w.WriteBufferToFile(1), 1);
    w.CloseFile();
    EXPECT_EQ(load(dir / "out.mp3"), "aXYdefabX");
}

TEST(Mp3Writer, CreatingAFileReplacesItOrFailsCleanly) {
    TempDir dir;
    save(dir / "old.mp3", std::string(5000, 'o'));
    {
        cMp3Writer w;
        w.Filename(dir / "old.mp3");
        std::memcpy(w.BufferPointer(), "new", 3);
        w.WriteBufferToFile(3);
    } // destruction closes the file
    EXPECT_EQ(load(dir / "old.mp3"), "new");

    cMp3Writer w;
    const auto e = raised([&] { w.Filename(dir / "no/such/folder/out.mp3"); });
    EXPECT_EQ(e.number, 29872);
    EXPECT_EQ(e.source, "cantora.OpenFile");
    EXPECT_EQ(e.description, "Unable to open file for writing");
    EXPECT_EQ(w.Filename(), dir / "no/such/folder/out.mp3");
}

TEST(Mp3Writer, AFailedAllocationLeavesNoBuffer) {
    cMp3Writer w;
    for (std::int64_t bad : {std::int64_t{0}, std::int64_t{-5}, std::int64_t{1} << 40}) {
        const auto e = raised([&] { w.BufferSize(bad); });
        EXPECT_EQ(e.number, 29871);
        EXPECT_EQ(e.source, "cantora.AllocateBuffer");
        EXPECT_EQ(e.description, "Unable to allocate output buffer for writing");
        EXPECT_EQ(w.BufferSize(), 0);
    }
    w.BufferSize(16);
    EXPECT_EQ(w.BufferSize(), 16);
    EXPECT_EQ(raised([&] { w.WriteBufferToFile(17); }).number, 29873);
}

} // namespace
