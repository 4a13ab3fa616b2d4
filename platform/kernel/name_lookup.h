// Host names looked up in the background, so that a name server that is slow
// or never answers cannot hold the caller. The system's own resolver does the
// work (getaddrinfo_a, with /etc/hosts, DNS, mDNS and whatever else
// nsswitch.conf names), on threads of the C library; the caller only asks
// how far it has got and never waits.
#pragma once

#include <sys/socket.h>

#include <string>
#include <vector>

namespace kernel {

// One address to connect to, as the resolver gave it.
struct Endpoint {
    sockaddr_storage address{};
    socklen_t length = 0;
    int family = 0;
};

enum class LookupState { kPending, kDone, kFailed };

struct LookupOutcome {
    LookupState state = LookupState::kPending;
    std::vector<Endpoint> endpoints;  // kDone: in the resolver's order
    const char* why = nullptr;        // kFailed: the resolver's reason (a static text)
};

// Asks for the stream endpoints of host and port. A lookup of the same name
// that is already under way is joined rather than started again, and one
// that finished after its last asker had gone is handed to the next asker,
// so that a lookup slower than the caller's patience still bears fruit.
// Returns a ticket for CheckLookup; 0 when no lookup could be started (why
// says so).
unsigned StartLookup(const std::string& host, const std::string& port, const char** why);

// How the lookup behind the ticket stands. A finished lookup is handed out
// once: its ticket is spent then.
LookupOutcome CheckLookup(unsigned ticket);

// The asker has gone. The lookup itself runs on (the resolver cannot be
// stopped halfway) and its outcome waits for the next asker of that name.
void DropLookup(unsigned ticket);

}  // namespace kernel
