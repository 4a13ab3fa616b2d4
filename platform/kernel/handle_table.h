// Kernel objects (files, serial ports and network sources) behind HANDLE values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/name_lookup.h"
#include "platform/kernel/unique_fd.h"
#include "win/types.h"

namespace kernel {

// A network source is a port whose bytes come from a TCP connection or UDP
// datagrams.
enum class ObjectKind { kFile, kSerial, kNetwork };

// Error counters of a serial line, as last reported to the caller.
struct LineCounters {
    int frame = 0;
    int overrun = 0;
    int parity = 0;
    int brk = 0;
    int buf_overrun = 0;
};

// How far a network source has got: a name being looked up, a connection
// being made, open (connected, or listening for datagrams), or ended (closed
// by the far side, lost, or never made).
enum class NetState { kLookingUp, kConnecting, kOpen, kEnded };

// A network source: where it stands, and what it has received and not yet
// handed out. The buffer is allocated once, when the source opens.
struct NetStream {
    static constexpr std::size_t kCapacity = 65536;
    std::unique_ptr<std::uint8_t[]> buffer;
    std::size_t begin = 0;
    std::size_t end = 0;
    NetState state = NetState::kOpen;
    bool datagrams = false;  // UDP: each receive is one datagram
    std::string host;        // as given, for what is said about it
    unsigned lookup = 0;     // while looking up: the lookup's ticket
    // While connecting: the addresses not tried yet, and why the last failed.
    std::vector<Endpoint> endpoints;
    std::size_t next_endpoint = 0;
    int connect_error = 0;
    // What the program wrote before the connection stood, sent once it does.
    std::string outgoing;
};

struct KernelObject {
    KernelObject() = default;
    KernelObject(KernelObject&&) = default;
    KernelObject& operator=(KernelObject&&) = default;
    ~KernelObject() { LetGo(); }

    // Lets the object go and closes its descriptor; false, with errno set,
    // when close() failed.
    bool Close() {
        LetGo();
        return fd.Close();
    }

    ObjectKind kind = ObjectKind::kFile;
    UniqueFd fd;
    // What failures on the object are reported under: the file's path, or
    // the port with its device.
    std::string name;
    bool can_read = false;
    bool can_write = false;
    bool counters_known = false;
    bool counters_missing = false;  // the line keeps no error counters
    LineCounters counters;
    std::unique_ptr<NetStream> stream;  // network sources only

  private:
    // Lifts a serial line's exclusive-open flag before the descriptor closes,
    // and leaves a name lookup under way to the next asker.
    void LetGo();
};

// Open files and ports at once.
inline constexpr int kMaxHandles = 128;

// Takes ownership of the object; INVALID_HANDLE_VALUE when the table is full.
HANDLE AddObject(KernelObject object);

// Takes the object behind the handle out of the table, for the caller to
// close; empty if the handle is not open.
std::optional<KernelObject> TakeObject(HANDLE handle);

// Holds the table lock while the caller works on one object. Get() is null
// when the handle is not open.
class ObjectLock {
  public:
    explicit ObjectLock(HANDLE handle);
    KernelObject* Get() const { return object_; }

  private:
    std::unique_lock<std::mutex> lock_;
    KernelObject* object_ = nullptr;
};

}  // namespace kernel
