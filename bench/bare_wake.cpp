// The processor time this machine spends on a thread that sleeps 33 ms in poll
// and wakes with nothing to do: the floor under each of a game's 30 ticks a
// second, against which the desktop program's figure in play is read.
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace {

double ThreadMicroseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

}  // namespace

int main() {
    constexpr int WAKES = 60;
    int ends[2];
    if (pipe(ends) != 0) return 1;
    pollfd waiting{ends[0], POLLIN, 0};
    const double started = ThreadMicroseconds();
    for (int i = 0; i < WAKES; ++i)
        poll(&waiting, 1, 33);
    std::printf("%.1f\n", (ThreadMicroseconds() - started) / WAKES);
    return 0;
}
