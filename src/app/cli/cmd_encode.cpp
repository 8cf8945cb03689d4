// cantora-cli encode IN.wav|- OUT.mp3 [--preset CODE|NAME] [--bitrate KBPS] [--force]
//
// The MP3 is written to a temporary file beside OUT and renamed over it only
// when complete, so a failure or Ctrl-C never leaves a partial OUT and an
// existing OUT is untouched unless the new one is finished. "-" reads the
// WAV from standard input (a pipe): it is kept in an unnamed temporary file
// first, as the reader needs to know its length.

#include "app/cli/commandline.h"
#include "app/cli/genreoption.h"
#include "app/cli/interrupt.h"
#include "app/cli/progressbar.h"
#include "core/safeoutput.h"
#include "render/encoderpresets.h"
#include "render/lameencoder.h"
#include "render/numberederror.h"
#include "render/wavreader.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

namespace {

using namespace cantora;

std::string usageText() {
    std::string text = "usage: cantora-cli encode IN.wav|- OUT.mp3 [--preset CODE|NAME] [--bitrate KBPS]\n"
                       "                          [--force] [-q] [--progress]\n"
                       "  encodes a 16-bit WAV file (- : standard input) to MP3\n"
                       "  --bitrate KBPS  the bit rate of the ABR and CBR presets, 8-320\n"
                       "  --force         replace an existing OUT.mp3\n"
                       "  -q, --quiet     print nothing but errors\n"
                       "  --progress      show progress even when stderr is no terminal\n"
                       "presets (code  name):\n";
    for (const auto &p : render::EncoderPresets())
        text += (p.code < 10 ? "    " : "   ") + std::to_string(p.code) + "  " + p.text + "\n";
    return text;
}

std::string numbered(const render::NumberedError &e) {
    return "error " + std::to_string(e.number) + ": " + e.description + " (" + e.source + ")";
}

// Standard input copied into an unnamed temporary file; its /proc name, or "".
std::string spoolStandardInput(std::unique_ptr<std::FILE, int (*)(std::FILE *)> &spool, std::string &why) {
    spool.reset(std::tmpfile());
    if (!spool) {
        why = "cannot keep standard input: " + cli::systemError(errno);
        return {};
    }
    char buffer[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
        if (std::fwrite(buffer, 1, n, spool.get()) != n) {
            why = "cannot keep standard input: " + cli::systemError(errno);
            return {};
        }
    if (std::ferror(stdin) || std::fflush(spool.get()) != 0) {
        why = "cannot read standard input: " + cli::systemError(errno);
        return {};
    }
    return "/proc/self/fd/" + std::to_string(fileno(spool.get()));
}

} // namespace

int cantora::cli::encode(const Args &args) {
    using namespace cantora::render;
    SetExecutableName("cantora-cli");

    std::string in, out;
    long preset = EncoderPresets()[kDefaultPresetIndex].code;
    std::optional<std::string> bitrate;
    bool force = false;
    CommandLine cl("encode", usageText());
    cl.value("--preset", [&](const std::string &v) { return takePreset(v, preset); })
        .value("--bitrate", bitrate)
        .writes(force)
        .operand("IN.wav", in)
        .operand("OUT.mp3", out);
    if (const int status = cl.parse(args); status >= 0)
        return status;
    long kbps = 0;
    if (const int status = checkMp3Options(cl, preset, bitrate, out, kbps); status >= 0)
        return status;
    if (const int status = cl.checkOutput(out, force, {in}); status >= 0)
        return status;
    if (const int status = cl.checkInput(in); status >= 0)
        return status;

    std::unique_ptr<std::FILE, int (*)(std::FILE *)> spool(nullptr, std::fclose);
    const std::string name = in == "-" ? "standard input" : in;
    if (in == "-") {
        std::string why;
        in = spoolStandardInput(spool, why);
        if (in.empty())
            return cl.fail(why);
    }

    // Read the input's header first: a bad input is reported as the reader's
    // own error, and the sample rate comes from the file.
    long rate = 0;
    if (std::FILE *f = std::fopen(in.c_str(), "rb"))
        std::fclose(f);
    else
        return cl.fail(name + ": " + systemError(errno));
    try {
        cWavReader probe;
        if (!probe.OpenFile(in))
            return cl.fail(name + ": cannot read it as a WAV file");
        rate = static_cast<long>(probe.Format().sampleRate);
    } catch (const NumberedError &e) {
        return cl.fail(name + ": " + numbered(e));
    }

    // From here on a signal only stops the work, which then removes its file.
    const InterruptGuard interrupt;
    core::SafeOutput file;
    if (!file.open(out, force))
        return cl.fail(file.error());
    ProgressBar bar(rate);
    cLameEncoder encoder;
    encoder.EncodingPreset(preset);
    if (kbps)
        encoder.BitRate(kbps);
    encoder.SampleRate(rate);
    encoder.WavFile(in);
    encoder.Mp3Stream(file.stream(), out);
    std::int64_t samples = 0;
    encoder.Progress = [&](std::int64_t done, std::int64_t total, bool &cancel) {
        if (InterruptGuard::interrupted()) {
            cancel = true;
            return;
        }
        samples = total;
        bar.show(done, total);
    };

    try {
        encoder.Encode();
    } catch (const NumberedError &e) {
        bar.interrupt();
        return cl.fail(numbered(e));
    }
    if (InterruptGuard::interrupted()) {
        bar.interrupt();
        cl.fail("interrupted, nothing written");
        return InterruptGuard::status();
    }
    if (!file.commit()) {
        cl.fail(file.error());
        return file.existed() ? kRefused : kFailed;
    }
    cl.summary(out, rate ? double(samples) / 2.0 / double(rate) : -1);
    return 0;
}
