#include <thread>

#include "adapter/pacing.h"

void sleep_at_least(std::chrono::nanoseconds pause) { std::this_thread::sleep_for(pause); }
