// Kernel services: files, serial ports, time and text formatting.
#pragma once

#include "win/types.h"

struct SECURITY_ATTRIBUTES;
struct OVERLAPPED;

inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD GENERIC_WRITE = 0x40000000u;
inline constexpr DWORD FILE_SHARE_READ = 0x1;
inline constexpr DWORD FILE_SHARE_WRITE = 0x2;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share_mode, SECURITY_ATTRIBUTES* security,
                   DWORD creation, DWORD flags, HANDLE template_file);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytes_to_read, LPDWORD bytes_read,
              OVERLAPPED* overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes_to_write, LPDWORD bytes_written,
               OVERLAPPED* overlapped);
// Closes the handle. A file's close can fail where its store reports the
// last writes' failure only then; the handle is gone either way.
BOOL CloseHandle(HANDLE object);
// Has the file's written bytes reach its store, so that a store's failure to
// take them shows here. Files open for writing only: ports fail.
BOOL FlushFileBuffers(HANDLE file);

// The calling thread's last error. Set by WriteFile, FlushFileBuffers and
// CloseHandle when they fail on an open handle, and by the last two when the
// handle is not open.
DWORD GetLastError();
void SetLastError(DWORD error);

inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_INVALID_FUNCTION = 1;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_WRITE_FAULT = 29;
inline constexpr DWORD ERROR_GEN_FAILURE = 31;
inline constexpr DWORD ERROR_DISK_FULL = 112;
inline constexpr DWORD ERROR_FILE_TOO_LARGE = 223;
inline constexpr DWORD ERROR_OPERATION_ABORTED = 995;
inline constexpr DWORD ERROR_DISK_QUOTA_EXCEEDED = 1295;

// The serial ports a program can open: "COM1:" to "COM9:", each numbered by
// one digit.
inline constexpr int kComPortCount = 9;

// Serial line settings. Only BaudRate, ByteSize, Parity and StopBits are
// applied to the host line; the other members are carried for callers.
struct DCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD fBinary : 1;
    DWORD fParity : 1;
    DWORD fOutxCtsFlow : 1;
    DWORD fOutxDsrFlow : 1;
    DWORD fDtrControl : 2;
    DWORD fDsrSensitivity : 1;
    DWORD fTXContinueOnXoff : 1;
    DWORD fOutX : 1;
    DWORD fInX : 1;
    DWORD fErrorChar : 1;
    DWORD fNull : 1;
    DWORD fRtsControl : 2;
    DWORD fAbortOnError : 1;
    DWORD fDummy2 : 17;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};

inline constexpr BYTE NOPARITY = 0;
inline constexpr BYTE ODDPARITY = 1;
inline constexpr BYTE EVENPARITY = 2;
inline constexpr BYTE ONESTOPBIT = 0;
inline constexpr BYTE ONE5STOPBITS = 1;
inline constexpr BYTE TWOSTOPBITS = 2;
inline constexpr DWORD CBR_4800 = 4800;
inline constexpr DWORD CBR_9600 = 9600;
inline constexpr DWORD CBR_19200 = 19200;
inline constexpr DWORD CBR_38400 = 38400;
inline constexpr DWORD CBR_57600 = 57600;
inline constexpr DWORD CBR_115200 = 115200;

struct COMSTAT {
    DWORD fCtsHold : 1;
    DWORD fDsrHold : 1;
    DWORD fRlsdHold : 1;
    DWORD fXoffHold : 1;
    DWORD fXoffSent : 1;
    DWORD fEof : 1;
    DWORD fTxim : 1;
    DWORD fReserved : 25;
    DWORD cbInQue;
    DWORD cbOutQue;
};

inline constexpr DWORD CE_RXOVER = 0x0001;
inline constexpr DWORD CE_OVERRUN = 0x0002;
inline constexpr DWORD CE_RXPARITY = 0x0004;
inline constexpr DWORD CE_FRAME = 0x0008;
inline constexpr DWORD CE_BREAK = 0x0010;

inline constexpr DWORD PURGE_TXABORT = 0x1;
inline constexpr DWORD PURGE_RXABORT = 0x2;
inline constexpr DWORD PURGE_TXCLEAR = 0x4;
inline constexpr DWORD PURGE_RXCLEAR = 0x8;

// What kind of port a handle is: dwProvSubType PST_RS232 for a serial line,
// whose settings (dwSettableParams) can be changed, PST_TCPIP_TELNET for a
// TCP source and PST_NETWORK_BRIDGE for a source of UDP datagrams, which have
// no line settings (GetCommState and SetCommState fail on them).
struct COMMPROP {
    WORD wPacketLength;
    WORD wPacketVersion;
    DWORD dwServiceMask;
    DWORD dwReserved1;
    DWORD dwMaxTxQueue;
    DWORD dwMaxRxQueue;
    DWORD dwMaxBaud;
    DWORD dwProvSubType;
    DWORD dwProvCapabilities;
    DWORD dwSettableParams;
    DWORD dwSettableBaud;
    WORD wSettableData;
    WORD wSettableStopParity;
    DWORD dwCurrentTxQueue;
    DWORD dwCurrentRxQueue;
    DWORD dwProvSpec1;
    DWORD dwProvSpec2;
    WCHAR wcProvChar[1];
};

inline constexpr DWORD SP_SERIALCOMM = 0x1;
inline constexpr DWORD PST_RS232 = 0x1;
inline constexpr DWORD PST_NETWORK_BRIDGE = 0x100;
inline constexpr DWORD PST_TCPIP_TELNET = 0x102;
inline constexpr DWORD SP_PARITY = 0x1;
inline constexpr DWORD SP_BAUD = 0x2;
inline constexpr DWORD SP_DATABITS = 0x4;
inline constexpr DWORD SP_STOPBITS = 0x8;

BOOL GetCommProperties(HANDLE port, COMMPROP* properties);
BOOL GetCommState(HANDLE port, DCB* settings);
BOOL SetCommState(HANDLE port, DCB* settings);
BOOL ClearCommError(HANDLE port, LPDWORD errors, COMSTAT* status);
BOOL PurgeComm(HANDLE port, DWORD flags);

// A shared library of the host by its file name ("libz.so.1"), loaded when
// first asked for: a program can do without a library it only sometimes needs.
// Null, with the reason on the diagnostics channel, when it cannot be loaded.
HMODULE LoadLibraryW(LPCWSTR file_name);
// The library's exported function of that name, or null.
FARPROC GetProcAddressW(HMODULE module, LPCWSTR name);
BOOL FreeLibrary(HMODULE module);

// Milliseconds since an arbitrary start, wrapping after 49.7 days; the
// virtual clock's time while that is active.
DWORD GetTickCount();

// Blocks the calling thread. While a display runs, what was drawn reaches it
// before the pause and at least every 100 ms during it, and host events are
// taken (and queued for the message loop) meanwhile. Under the virtual clock
// the time advances instead, in steps of at most 100 ms when a display runs.
void Sleep(DWORD milliseconds);

// Says the text on the platform's diagnostics channel (one line on stderr,
// once per distinct text).
void OutputDebugStringW(LPCWSTR text);

// printf-style wide formatting of %d, %x (unsigned, lower case) and %f, each
// with an optional width and precision, and %% for a percent sign; any other
// conversion prints its own character and takes no argument. Writes at most
// 1024 characters including the terminator and returns the number of
// characters written without it.
int wsprintfW(LPWSTR buffer, LPCWSTR format, ...);
