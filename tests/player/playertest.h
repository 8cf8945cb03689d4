#pragma once
// Shared set-up of the player tests: the engine on a silent output, a
// scratch folder, songs built in code.

#include "audio/bass.h"
#include "audio/midiwriter.h"
#include "audio/output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace playertest {

class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        cantora::audio::setOutputFactory([](int) { return cantora::audio::makeNullOutput(); });
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
        dir =
            std::filesystem::temp_directory_path() / ("cantora_player_" + std::to_string(::getpid()) + "_" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        BASS_Free();
        std::filesystem::remove_all(dir);
    }
    std::string write(const std::string &name, const std::string &bytes) {
        auto p = (dir / name).string();
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    std::filesystem::path dir;
};

} // namespace playertest
