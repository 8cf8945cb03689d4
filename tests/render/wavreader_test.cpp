// cWavReader: format checks, block delivery, seeking and the chunk walk.

#include "render/wavreader.h"

#include "render/numberederror.h"
#include "render/wavbytes.h"

#include <gtest/gtest.h>

using cantora::render::cWavReader;
using namespace wavbytes;
using namespace std::string_literals;

namespace {

class WavReaderTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string file(const std::string &bytes) {
        const std::string p = dir / "in.wav";
        save(p, bytes);
        return p;
    }
};

TEST_F(WavReaderTest, FilesItCannotTakeRaiseTheirOwnErrorsAndLeaveItClosed) {
    const std::pair<std::string, int> cases[] = {
        {wav(std::string(400, '\0'), 1, 16), 29671},
        {wav(std::string(400, '\0'), 2, 8), 29671},
        {wav(std::string(400, '\0'), 2, 24), 29671},
        {riff(chunk("fmt ", fmt(2, 16, 44100, 2)) + chunk("data", ramp(8))), 29671}, // compressed, with a 16-bit header
        {"RIFF\x04\0\0\0AVI "s, 29673},
        {"", 29673},
        {riff(chunk("data", ramp(4))), 29674},
        {riff(chunk("fmt ", "\1\0\2\0"s) + chunk("data", ramp(4))), 29675},
    };
    for (const auto &[bytes, number] : cases) {
        cWavReader r;
        EXPECT_EQ(raised([&] { r.OpenFile(file(bytes)); }).number, number) << bytes.size();
        EXPECT_NO_THROW(r.ReadBufferSize(10)) << "closed: the buffer may be resized";
    }
    cWavReader r;
    EXPECT_FALSE(r.OpenFile(""));
    EXPECT_EQ(raised([&] { r.OpenFile(dir / "missing.wav"); }).number, 29672);
    EXPECT_EQ(raised([&] { r.OpenFile(file(riff(chunk("fmt ", fmt(2, 16))))); }).description, "No Wave File Open");
    EXPECT_EQ(raised([&] { r.Read(); }).number, 29676);
    EXPECT_TRUE(r.OpenFile(
        file(riff(chunk("fmt ", fmt(2, 16, 44100, 0xFFFE) + std::string(24, '\0')) + chunk("data", ramp(8))))));
    // Filename keeps the name of a file that opened, and only such a name.
    const std::string good = file(wav(ramp(10)));
    r.Filename(good);
    r.Filename("");
    EXPECT_EQ(r.Filename(), good);
}

TEST_F(WavReaderTest, TheLastBlockComesWithTheCallThatReturnsFalse) {
    cWavReader r;

    // Less than a buffer, exactly one, one frame more.
    for (const auto &[frames, sizes] :
         {std::pair<std::int64_t, std::vector<std::int64_t>>{25000, {25000}}, {32768, {32768}}, {32769, {32768, 1}}}) {
        ASSERT_TRUE(r.OpenFile(file(wav(ramp(static_cast<std::size_t>(frames))))));
        EXPECT_EQ(r.AudioLength(), frames);
        std::vector<std::int64_t> got;
        for (bool more = true; more;) {
            more = r.Read();
            got.push_back(r.ReadSize());
        }
        EXPECT_EQ(got, sizes);
        EXPECT_EQ(r.ReadBufferPtr()[2 * got.back() - 1], -((frames - 1) & 0x7FFF)) << "the last frame's right channel";
    }

    // The buffer size is fixed while a file is open.
    r.CloseFile();
    r.ReadBufferSize(300);
    ASSERT_TRUE(r.OpenFile(file(wav(ramp(1000)))));
    const auto e = raised([&] { r.ReadBufferSize(64); });
    EXPECT_EQ(e.number, 29679);
    EXPECT_EQ(e.description, "Cannot change buffer size whilst a file is open.");
    int blocks = 1;
    while (r.Read())
        ++blocks;
    EXPECT_EQ(blocks, 4);
    EXPECT_EQ(r.ReadSize(), 100);
}

TEST_F(WavReaderTest, SeeksStayInsideTheData) {
    cWavReader r;
    ASSERT_TRUE(r.OpenFile(file(wav(ramp(1000)))));
    r.SeekAbsolute(r.AudioLength());
    EXPECT_FALSE(r.Read());
    EXPECT_EQ(r.ReadSize(), 0);
    EXPECT_EQ(raised([&] { r.SeekAbsolute(r.AudioLength() + 1); }).number, 29678);
    EXPECT_EQ(raised([&] { r.SeekAbsolute(-1); }).description, "Position out of range");

    r.SeekAbsolute(100);
    r.SeekRelative(-40);
    EXPECT_EQ(r.BufferStartPosition(), 240);
    EXPECT_FALSE(r.Read());
    EXPECT_EQ(r.ReadSize(), 940);
    EXPECT_EQ(r.ReadBufferPtr()[0], 60);
    EXPECT_EQ(raised([&] { r.SeekRelative(1); }).number, 29678);
    EXPECT_EQ(raised([&] { r.SeekRelative(-1001); }).number, 29678);
    EXPECT_EQ(raised([&] { r.SeekRelative(INT64_MIN / 2); }).number, 29678);
}

TEST_F(WavReaderTest, ChunksComeInAnyOrderAndOddBodiesArePadded) {
    cWavReader r;
    const std::string data = ramp(50);
    // The 15 bytes of LIST are padded.
    ASSERT_TRUE(r.OpenFile(file(riff(chunk("LIST", "INFOISFT\3\0\0\0ab\0"s) + chunk("data", data) + chunk("junk", "x") +
                                     chunk("fmt ", fmt(2, 16) + std::string(40, '\7'))))));
    EXPECT_EQ(r.AudioLength(), 50);
    EXPECT_EQ(r.Format().sampleRate, 44100u);
    EXPECT_FALSE(r.Read());
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(r.ReadBufferPtr()), 200), data);
    // Data declared beyond the end of the file is read up to the end.
    for (std::uint32_t declared : {4000u, 0xFFFFFFFFu}) {
        ASSERT_TRUE(r.OpenFile(file(riff(chunk("fmt ", fmt(2, 16)) + chunk("data", ramp(300), declared)))));
        EXPECT_EQ(r.AudioLength(), 300);
        EXPECT_FALSE(r.Read());
        EXPECT_EQ(r.ReadSize(), 300);
    }
}

} // namespace
