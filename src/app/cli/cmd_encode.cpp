// cantora-cli encode IN.wav OUT.mp3 [--preset CODE|NAME] [--force]
//
// The MP3 is written to a temporary file beside OUT and renamed over it only
// when complete, so a failure or Ctrl-C never leaves a partial OUT and an
// existing OUT is untouched unless the new one is finished.

#include "app/cli/commands.h"
#include "app/cli/interrupt.h"
#include "app/cli/progressbar.h"
#include "core/samefile.h"

#include "render/encoderpresets.h"
#include "render/lameencoder.h"
#include "render/numberederror.h"
#include "render/wavreader.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

void printError(const cantora::render::NumberedError &e) {
    std::fprintf(stderr, "cantora-cli: encode: error %ld: %s (%s)\n", e.number, e.description.c_str(),
                 e.source.c_str());
}

int usage() {
    std::fprintf(stderr, "usage: cantora-cli encode IN.wav OUT.mp3 [--preset CODE|NAME] [--force]\n"
                         "presets (code  name):\n");
    for (const auto &p : cantora::render::EncoderPresets())
        std::fprintf(stderr, "  %3ld  %s\n", p.code, p.text);
    return 2;
}

} // namespace

int cantora::cli::encode(const Args &args) {
    namespace fs = std::filesystem;
    using namespace cantora::render;
    SetExecutableName("cantora-cli");

    std::string in, out;
    long preset = EncoderPresets()[kDefaultPresetIndex].code;
    bool force = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--force") {
            force = true;
        } else if (a == "--preset") {
            if (i + 1 >= args.size())
                return usage();
            const auto code = FindPresetCode(args[++i]);
            if (!code) {
                std::fprintf(stderr, "cantora-cli: encode: unknown preset '%s'\n", args[i].c_str());
                return usage();
            }
            preset = *code;
        } else if (a == "--help" || a == "-h") {
            usage();
            return 0;
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "cantora-cli: encode: unknown option '%s'\n", a.c_str());
            return usage();
        } else if (in.empty()) {
            in = a;
        } else if (out.empty()) {
            out = a;
        } else {
            return usage();
        }
    }
    if (in.empty() || out.empty())
        return usage();

    std::error_code ec;
    if (core::sameFile(in, out)) {
        std::fprintf(stderr, "cantora-cli: encode: %s is the input itself; choose another output\n", out.c_str());
        return 1;
    }
    if (fs::exists(out, ec) && !force) {
        std::fprintf(stderr, "cantora-cli: encode: %s already exists (use --force to replace it)\n", out.c_str());
        return 1;
    }
    if (fs::is_directory(out, ec)) {
        std::fprintf(stderr, "cantora-cli: encode: %s is a folder\n", out.c_str());
        return 1;
    }

    // Read the input's header first: a bad input is reported as the reader's
    // own error, and the sample rate comes from the file.
    long rate = 0;
    try {
        cWavReader probe;
        if (!probe.OpenFile(in))
            return usage();
        rate = static_cast<long>(probe.Format().sampleRate);
    } catch (const NumberedError &e) {
        printError(e);
        return 1;
    }

    const std::string part = out + "." + std::to_string(getpid()) + ".part";
    fs::remove(part, ec);

    const cli::InterruptGuard interrupt;
    cli::ProgressBar bar(rate);
    cLameEncoder encoder;
    encoder.EncodingPreset(preset);
    encoder.SampleRate(rate);
    encoder.WavFile(in);
    encoder.Mp3File(part);
    encoder.Progress = [&](std::int64_t done, std::int64_t total, bool &cancel) {
        if (cli::InterruptGuard::interrupted()) {
            cancel = true;
            return;
        }
        bar.show(done, total);
    };

    int status = 0;
    try {
        encoder.Encode();
        if (cli::InterruptGuard::interrupted()) {
            fs::remove(part, ec);
            bar.interrupt();
            std::fprintf(stderr, "cantora-cli: encode: interrupted, nothing written\n");
            status = cli::kInterruptedStatus;
        } else {
            fs::rename(part, out, ec);
            if (ec) {
                const std::string why = ec.message();
                fs::remove(part, ec);
                std::fprintf(stderr, "cantora-cli: encode: cannot write %s: %s\n", out.c_str(), why.c_str());
                status = 1;
            }
        }
    } catch (const NumberedError &e) {
        fs::remove(part, ec);
        bar.interrupt();
        printError(e);
        status = 1;
    }
    return status;
}
