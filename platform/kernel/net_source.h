// Network sources: a TCP connection or a UDP listener that reads like a
// serial port. Nothing here waits: a name is looked up in the background and
// a connection is made without blocking, and until it stands the source has
// simply nothing to hand out. A connection takes what the program writes to
// it: a gpsd source is such a connection to gpsd, and what to ask gpsd for is
// the program's business.
#pragma once

#include <cstddef>

#include "platform/kernel/handle_table.h"
#include "platform/kernel/source_address.h"

namespace kernel {

// How long a TCP peer may stay silent before it is asked whether it is
// still there, how often it is asked then, and how many questions it may
// leave unanswered: a peer that has gone (lost its power or its network,
// without closing) is noticed within kPeerGoneMs, while a peer that is there
// but has nothing to say answers and is kept. Data that cannot be delivered
// fails the connection after as long.
inline constexpr int kKeepIdleSeconds = 5;
inline constexpr int kKeepIntervalSeconds = 2;
inline constexpr int kKeepProbes = 3;
inline constexpr unsigned kPeerGoneMs =
    (kKeepIdleSeconds + kKeepIntervalSeconds * kKeepProbes) * 1000u;

// Starts the source in *object (whose name says what failures are reported
// under): a TCP connection, after looking up its host unless that is a
// numeric address, or a UDP socket listening on its address and port. False,
// with the reason said once on the diagnostics channel, when the source
// cannot be used now: a lookup or a connection that has failed already, a
// port that cannot be listened on.
bool OpenNetworkSource(const SourceAddress& address, KernelObject* object);

// Moves the source on (lookup, connection) and takes what has arrived into
// the stream, as far as it has room. True while the source may still hand
// out bytes; false once it has ended (closed, lost, or never connected) and
// nothing received is left. A UDP source never ends.
bool FillStream(KernelObject& object);
std::size_t StreamQueued(const KernelObject& object);
// Hands out up to count received bytes; the number handed out.
std::size_t TakeFromStream(KernelObject& object, void* out, std::size_t count);
// Drops everything received so far, queued in the stream or in the host.
void DiscardStream(KernelObject& object);
// Sends the bytes on a connection, waiting briefly when the host's send queue
// is full; bytes written before the connection stands go once it does. The
// number taken; *error is the errno that stopped it short, else 0.
std::size_t SendToStream(KernelObject& object, const void* bytes, std::size_t count, int* error);

// The source is being closed: a connection that the far side never answered
// says so.
void NoteClosing(const KernelObject& object);

}  // namespace kernel
