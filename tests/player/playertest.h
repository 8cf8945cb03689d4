#pragma once
// Shared set-up of the player tests: the engine on a silent output, a
// scratch folder, songs built in code.

#include "audio/audiotest.h"

namespace playertest {

class Engine : public cantora::audiotest::SilentEngine {};

} // namespace playertest
