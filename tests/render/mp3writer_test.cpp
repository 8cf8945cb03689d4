// cMp3Writer: file creation, the buffer bound and its numbered errors.

#include "render/mp3writer.h"

#include "render/numberederror.h"
#include "render/wavbytes.h"

#include <gtest/gtest.h>

#include <cstring>

using cantora::render::cMp3Writer;
using namespace wavbytes;

namespace {

TEST(Mp3Writer, WritesUpToItsBufferAndNoMoreReplacingTheFileItOpens) {
    TempDir dir;
    save(dir / "out.mp3", std::string(5000, 'o'));
    cMp3Writer w;
    EXPECT_EQ(w.BufferSize(), 8192);
    EXPECT_EQ(raised([&] { w.WriteBufferToFile(1); }).number, 29874) << "not open";
    w.Filename(dir / "out.mp3");
    // Exactly the buffer's size is allowed, one byte more is not.
    EXPECT_EQ(w.WriteBufferToFile(8192), 8192);
    w.Filename(dir / "out.mp3");
    const auto tooMuch = raised([&] { w.WriteBufferToFile(8193); });
    EXPECT_EQ(tooMuch.number, 29873);
    EXPECT_EQ(tooMuch.description, "Cannot write more data than is available in the buffer");
    std::memcpy(w.BufferPointer(), "abcdef", 6);
    EXPECT_EQ(w.WriteBufferToFile(6), 6);
    EXPECT_EQ(w.WriteBufferToFile(2), 2);
    std::memcpy(w.BufferPointer(), "XY", 2);
    w.WriteBufferAt(1, 2); // an in-place rewrite, then appending goes on at the end
    EXPECT_EQ(w.WriteBufferToFile(1), 1);
    w.CloseFile();
    EXPECT_EQ(load(dir / "out.mp3"), "aXYdefabX");

    EXPECT_EQ(raised([&] { w.Filename(dir / "no/such/folder/out.mp3"); }).number, 29872);
    // A failed allocation leaves no buffer.
    for (std::int64_t bad : {std::int64_t{0}, std::int64_t{1} << 40}) {
        EXPECT_EQ(raised([&] { w.BufferSize(bad); }).number, 29871);
        EXPECT_EQ(w.BufferSize(), 0);
    }
    w.BufferSize(16);
    EXPECT_EQ(raised([&] { w.WriteBufferToFile(17); }).number, 29873);
}

} // namespace
