// A pseudo-terminal pair standing in for a serial receiver in tests.
//
// The test writes the receiver's bytes on the master side; the code under
// test opens the slave path as its serial port. The slave is put into raw
// mode at creation, so bytes are queued exactly as written and nothing is
// echoed back to the master. A "watch" descriptor on the slave is opened
// first and kept, so the test can see the slave's input queue (and its line
// settings) even after the code under test has claimed the port exclusively.
//
// Bytes the code under test writes to its port collect on the master side;
// a test that has it write much must drain them with ReadMaster, or those
// writes eventually stall.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace test_support {

class PtyPair {
  public:
    // Check Ok() after construction: everything else needs a working pair.
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return master_ >= 0 && watch_ >= 0; }
    int MasterFd() const { return master_; }
    int WatchFd() const { return watch_; }
    const std::string& SlavePath() const { return slave_path_; }

    // Writes every byte to the master side (waits a few seconds at most).
    bool Write(std::string_view bytes);
    // Waits until the slave's input queue holds at least count bytes; false
    // after a few seconds of real time. Writes reach the slave asynchronously.
    bool WaitQueued(std::size_t count);
    // Bytes now queued on the slave side, or -1 when it cannot tell.
    long Queued() const;
    // Takes what the code under test wrote to the port, without waiting.
    std::string ReadMaster();
    // The far side hangs up, as an unplugged receiver would.
    void CloseMaster();

    // Makes "COMn:" open this pair's slave and every other port open nothing.
    void UseAsComPort(int port_number) const;
    // Makes "COMn:" open this pair's slave, leaving the other ports as they are.
    void AddAsComPort(int port_number) const;

  private:
    int master_ = -1;
    int watch_ = -1;
    std::string slave_path_;
};

// Maps "COMn:" to path (which need not exist).
void MapComPort(int port_number, const std::string& path);
// Sets SKYMARK_COM1 to SKYMARK_COM9 all empty: no port maps to any device.
void MapNoComPorts();
// Removes SKYMARK_COM1 to SKYMARK_COM9, so ports map to the host's devices.
void UnsetComPortVariables();

}  // namespace test_support
