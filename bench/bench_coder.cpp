// The serial coder link: what one empty line-status read of the tty emulation costs on a
// pseudo-terminal (the echo wait counts 8192 of them when nothing answers), and what one
// command line costs against the simulated encoder, in real and in virtual time.

#include <benchmark/benchmark.h>

#include <pty.h>
#include <unistd.h>

#include "CoderLink.h"
#include "SimSerialCoder.h"
#include "TtyUart.h"

static void BM_TtyEmptyStatusRead(benchmark::State& state) {
    int master = -1, slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    PortOpenResult opened = CTtyUart::Open(name);
    if (!opened.Ok()) {
        state.SkipWithError(opened.error.c_str());
    } else {
        for (auto _ : state) benchmark::DoNotOptimize(opened.io->PortRead(0x3FD));
    }
    opened.io.reset();
    ::close(slave);
    ::close(master);
}
BENCHMARK(BM_TtyEmptyStatusRead);

static void BM_SimSendCommandLine(benchmark::State& state) {
    CSimSerialCoder coder;
    CCoderLink link(&coder);
    link.Init();
    const uint64_t start = coder.NowNs();
    for (auto _ : state) benchmark::DoNotOptimize(link.Send("PSN=\"RADIO XX\"\n").sent);
    state.counters["virtual_ms_per_line"] = static_cast<double>(coder.NowNs() - start) / 1e6 /
                                            static_cast<double>(state.iterations());
}
BENCHMARK(BM_SimSendCommandLine);
