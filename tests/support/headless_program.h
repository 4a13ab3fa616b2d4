// A test that runs parts of the program through the real window manager, headless, on the
// virtual clock, in a temporary working directory, with the globals below the frame as a fresh
// process has them.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "host/host.h"
#include "host/testing.h"
#include "nmea/nmea_state.h"
#include "screen/main_screen.h"
#include "serial/serial_state.h"
#include "tests/support/program_host.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

namespace test_support {

// A receiver that has sent one good sentence, queued for whoever opens the port.
inline const std::string kQueuedGga =
    "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";

class HeadlessProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host::UseVirtualClock(0);
        host::ResetWindowManager();
        // The serial input's and the decoder's state; a test of the frame resets its own too.
        ResetSerialState();
        ResetNmeaState();
        ResetScreenState();
        ASSERT_TRUE(dir_.Enter());
    }

    void TearDown() override {
        host::SetVirtualClockObserver(nullptr, nullptr);
        // Exits that skip the shutdown leave the port, a search's ports and the log open.
        if (ComPort != nullptr && ComPort != INVALID_HANDLE_VALUE) CloseHandle(ComPort);
        for (HANDLE port : SearchHandles) {
            if (port != INVALID_HANDLE_VALUE) CloseHandle(port);
        }
        if (LogFile != nullptr && LogFile != INVALID_HANDLE_VALUE) CloseHandle(LogFile);
        if (GpsdLog.port != nullptr && GpsdLog.port != INVALID_HANDLE_VALUE) {
            CloseHandle(GpsdLog.port);
        }
        ResetSerialState();
        ResetNmeaState();
        ResetScreenState();
        host::ResetWindowManager();
        UnmapComPorts();
        host::UseRealClock();
    }

    // Queues a sentence on the receiver's side of the pair.
    static void Talk(PtyPair& pty, const std::string& bytes = kQueuedGga) {
        ASSERT_TRUE(pty.Write(bytes));
        ASSERT_TRUE(pty.WaitQueued(bytes.size()));
    }

    TempDir dir_;
};

}  // namespace test_support
