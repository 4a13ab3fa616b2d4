// Serial port calls: translate the platform's records and check the handle,
// then leave the line work to the host helpers. A network source answers the
// same calls, except that it has no line settings.
#include "platform/kernel/handle_table.h"
#include "platform/kernel/net_source.h"
#include "platform/kernel/serial_line.h"
#include "win/kernel.h"

namespace {

using kernel::KernelObject;
using kernel::ObjectKind;
using kernel::ObjectLock;
using kernel::Parity;

KernelObject* Port(const ObjectLock& lock) {
    KernelObject* object = lock.Get();
    if (object == nullptr || object->kind != ObjectKind::kSerial) return nullptr;
    return object;
}

KernelObject* PortOrSource(const ObjectLock& lock) {
    KernelObject* object = lock.Get();
    if (object == nullptr || object->kind == ObjectKind::kFile) return nullptr;
    return object;
}

bool ParityFromDcb(BYTE value, Parity* parity) {
    switch (value) {
        case NOPARITY:
            *parity = Parity::kNone;
            return true;
        case ODDPARITY:
            *parity = Parity::kOdd;
            return true;
        case EVENPARITY:
            *parity = Parity::kEven;
            return true;
        case 3:  // mark
            *parity = Parity::kMark;
            return true;
        case 4:  // space
            *parity = Parity::kSpace;
            return true;
        default:
            return false;
    }
}

BYTE ParityToDcb(Parity parity) {
    switch (parity) {
        case Parity::kOdd:
            return ODDPARITY;
        case Parity::kEven:
            return EVENPARITY;
        case Parity::kMark:
            return 3;
        case Parity::kSpace:
            return 4;
        case Parity::kNone:
            break;
    }
    return NOPARITY;
}

}  // namespace

// Fills DCBlength, BaudRate, ByteSize, Parity and StopBits; every other member
// keeps what the caller had in it, since the host line does not carry them.
BOOL GetCommState(HANDLE port, DCB* settings) {
    if (settings == nullptr) return FALSE;
    ObjectLock lock(port);
    KernelObject* object = Port(lock);
    if (object == nullptr) return FALSE;
    kernel::LineSettings line;
    if (!kernel::ReadLineSettings(object->fd.Get(), &line)) return FALSE;
    settings->DCBlength = sizeof(DCB);
    settings->BaudRate = line.baud;
    settings->ByteSize = static_cast<BYTE>(line.data_bits);
    settings->Parity = ParityToDcb(line.parity);
    settings->StopBits = line.stop_bits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    return TRUE;
}

BOOL SetCommState(HANDLE port, DCB* settings) {
    if (settings == nullptr) return FALSE;
    kernel::LineSettings line;
    line.baud = settings->BaudRate;
    line.data_bits = settings->ByteSize;
    if (!ParityFromDcb(settings->Parity, &line.parity)) return FALSE;
    // The host has no one-and-a-half stop bits.
    if (settings->StopBits == ONESTOPBIT) {
        line.stop_bits = 1;
    } else if (settings->StopBits == TWOSTOPBITS) {
        line.stop_bits = 2;
    } else {
        return FALSE;
    }
    ObjectLock lock(port);
    KernelObject* object = Port(lock);
    if (object == nullptr) return FALSE;
    return kernel::ApplyLineSettings(object->fd.Get(), line) ? TRUE : FALSE;
}

BOOL ClearCommError(HANDLE port, LPDWORD errors, COMSTAT* status) {
    ObjectLock lock(port);
    KernelObject* object = PortOrSource(lock);
    if (object == nullptr) return FALSE;
    std::uint32_t input = 0;
    DWORD flags = 0;
    if (object->kind == ObjectKind::kNetwork) {
        // Bytes received before the far side closed are still handed out;
        // the call fails once they are gone.
        if (!kernel::FillStream(*object)) return FALSE;
        input = static_cast<std::uint32_t>(kernel::StreamQueued(*object));
    } else {
        // A line that has gone (hung up, unplugged, its far side closed) is
        // a hung-up terminal, whose ioctls the kernel answers with EIO.
        int fd = object->fd.Get();
        if (!kernel::QueuedInput(fd, &input)) return FALSE;
        flags = kernel::TakeLineErrors(fd, *object);
    }
    if (errors != nullptr) *errors = flags;
    if (status != nullptr) {
        *status = COMSTAT{};
        status->cbInQue = input;
        // WriteFile never writes to a serial line, and hands a network
        // source's bytes to the host at once: nothing waits to be sent.
        status->cbOutQue = 0;
    }
    return TRUE;
}

BOOL PurgeComm(HANDLE port, DWORD flags) {
    constexpr DWORD kKnown = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
    if ((flags & ~kKnown) != 0) return FALSE;
    ObjectLock lock(port);
    KernelObject* object = PortOrSource(lock);
    if (object == nullptr) return FALSE;
    if (object->kind == ObjectKind::kNetwork) {
        // What was sent is gone already; only received bytes can be dropped.
        if ((flags & PURGE_RXCLEAR) != 0) kernel::DiscardStream(*object);
        return TRUE;
    }
    // There are no overlapped operations, so the abort flags have nothing to stop.
    bool ok = kernel::DiscardQueues(object->fd.Get(), (flags & PURGE_RXCLEAR) != 0,
                                    (flags & PURGE_TXCLEAR) != 0);
    return ok ? TRUE : FALSE;
}

// A serial line is an RS-232 port whose settings can be changed; a network
// source is a TCP stream or a UDP listener, with nothing to set.
BOOL GetCommProperties(HANDLE port, COMMPROP* properties) {
    if (properties == nullptr) return FALSE;
    ObjectLock lock(port);
    KernelObject* object = PortOrSource(lock);
    if (object == nullptr) return FALSE;
    *properties = COMMPROP{};
    properties->wPacketLength = sizeof(COMMPROP);
    properties->dwServiceMask = SP_SERIALCOMM;
    if (object->kind == ObjectKind::kNetwork) {
        properties->dwProvSubType =
            object->stream->datagrams ? PST_NETWORK_BRIDGE : PST_TCPIP_TELNET;
        properties->dwMaxRxQueue = kernel::NetStream::kCapacity;
    } else {
        properties->dwProvSubType = PST_RS232;
        properties->dwSettableParams = SP_BAUD | SP_DATABITS | SP_PARITY | SP_STOPBITS;
    }
    return TRUE;
}
