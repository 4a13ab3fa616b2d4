#include "platform/kernel/name_lookup.h"

#include <netdb.h>
#include <time.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace kernel {
namespace {

// An outcome nobody was there to take is handed to the next asker of the
// name only while it is this fresh; an older one is looked up again.
constexpr std::uint64_t kOutcomeFreshMs = 60'000;

// One request to the resolver. Its record and the texts it points at must
// stay where they are until the resolver's thread has finished with them.
struct Lookup {
    std::string host;
    std::string port;
    addrinfo hints{};
    gaicb request{};
    int askers = 0;
    std::uint64_t orphaned_done_ms = 0;  // when it was first seen finished with no asker
};

struct Table {
    std::mutex mutex;
    std::map<unsigned, Lookup*> tickets;
    std::vector<std::unique_ptr<Lookup>> lookups;
    unsigned next_ticket = 1;
};

// Never destroyed: at the end of the process a resolver thread may still be
// writing into a lookup, which must then still be there.
Table& TheTable() {
    static Table* table = new Table;
    return *table;
}

std::uint64_t MonotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

bool Finished(Lookup& lookup) {
    return gai_error(&lookup.request) != EAI_INPROGRESS;
}

void Remove(Table& table, Lookup* lookup) {
    for (auto it = table.lookups.begin(); it != table.lookups.end(); ++it) {
        if (it->get() != lookup) continue;
        if (lookup->request.ar_result != nullptr) freeaddrinfo(lookup->request.ar_result);
        table.lookups.erase(it);
        return;
    }
}

// A finished lookup without askers that has waited too long for one goes.
void DropStaleOrphans(Table& table) {
    const std::uint64_t now = MonotonicMs();
    for (std::size_t i = table.lookups.size(); i-- > 0;) {
        Lookup& lookup = *table.lookups[i];
        if (lookup.askers > 0 || !Finished(lookup)) continue;
        if (lookup.orphaned_done_ms == 0) lookup.orphaned_done_ms = now;
        if (now - lookup.orphaned_done_ms > kOutcomeFreshMs) Remove(table, &lookup);
    }
}

unsigned NewTicket(Table& table, Lookup* lookup) {
    unsigned ticket = table.next_ticket++;
    if (table.next_ticket == 0) table.next_ticket = 1;
    table.tickets[ticket] = lookup;
    ++lookup->askers;
    return ticket;
}

void Release(Table& table, std::map<unsigned, Lookup*>::iterator it) {
    Lookup* lookup = it->second;
    table.tickets.erase(it);
    if (--lookup->askers > 0) return;
    if (Finished(*lookup)) {
        Remove(table, lookup);
    } else {
        lookup->orphaned_done_ms = 0;
    }
}

}  // namespace

unsigned StartLookup(const std::string& host, const std::string& port, const char** why) {
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    DropStaleOrphans(table);
    for (const auto& lookup : table.lookups) {
        if (lookup->host == host && lookup->port == port) return NewTicket(table, lookup.get());
    }
    auto lookup = std::make_unique<Lookup>();
    lookup->host = host;
    lookup->port = port;
    lookup->hints.ai_family = AF_UNSPEC;
    lookup->hints.ai_socktype = SOCK_STREAM;
    lookup->request.ar_name = lookup->host.c_str();
    lookup->request.ar_service = lookup->port.c_str();
    lookup->request.ar_request = &lookup->hints;
    gaicb* list[] = {&lookup->request};
    // No notification: the askers come and look.
    const int started = getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr);
    if (started != 0) {
        *why = gai_strerror(started);
        return 0;
    }
    table.lookups.push_back(std::move(lookup));
    return NewTicket(table, table.lookups.back().get());
}

LookupOutcome CheckLookup(unsigned ticket) {
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    LookupOutcome outcome;
    auto it = table.tickets.find(ticket);
    if (it == table.tickets.end()) {
        outcome.state = LookupState::kFailed;
        outcome.why = "no such lookup";
        return outcome;
    }
    Lookup& lookup = *it->second;
    const int error = gai_error(&lookup.request);
    if (error == EAI_INPROGRESS) return outcome;
    if (error != 0) {
        outcome.state = LookupState::kFailed;
        outcome.why = gai_strerror(error);
    } else {
        outcome.state = LookupState::kDone;
        for (const addrinfo* a = lookup.request.ar_result; a != nullptr; a = a->ai_next) {
            if (a->ai_addrlen > sizeof(sockaddr_storage)) continue;
            Endpoint endpoint;
            std::memcpy(&endpoint.address, a->ai_addr, a->ai_addrlen);
            endpoint.length = a->ai_addrlen;
            endpoint.family = a->ai_family;
            outcome.endpoints.push_back(endpoint);
        }
        if (outcome.endpoints.empty()) {
            outcome.state = LookupState::kFailed;
            outcome.why = "no address to connect to";
        }
    }
    Release(table, it);
    return outcome;
}

void DropLookup(unsigned ticket) {
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.tickets.find(ticket);
    if (it != table.tickets.end()) Release(table, it);
}

}  // namespace kernel
