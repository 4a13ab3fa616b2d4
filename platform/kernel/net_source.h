// Network sources: a TCP connection that reads like a serial port. For gpsd
// the connection asks for the receiver's raw sentences and drops gpsd's own
// JSON lines, so that only the receiver's bytes are ever handed out.
#pragma once

#include <cstddef>

#include "platform/kernel/handle_table.h"
#include "platform/kernel/source_address.h"

namespace kernel {

// Connects without waiting longer than a short bound; an object of kind
// kNetwork with its stream, or an invalid descriptor with the reason in
// *why (a static or strerror text).
bool OpenNetworkSource(const SourceAddress& address, KernelObject* object, const char** why);

// Takes what the connection has into the stream, as far as it has room.
// False once the connection has ended and nothing received is left.
bool FillStream(KernelObject& object);
std::size_t StreamQueued(const KernelObject& object);
// Hands out up to count received bytes; the number handed out.
std::size_t TakeFromStream(KernelObject& object, void* out, std::size_t count);
// Drops everything received so far, queued in the stream or in the host.
void DiscardStream(KernelObject& object);

}  // namespace kernel
