#include "serial/gpsd_session.h"

#include <limits.h>

#include <cstdio>
#include <cstring>

#include "host/host.h"
#include "nmea/gpsd_reports.h"
#include "nmea/report_lines.h"
#include "serial/com_port.h"
#include "serial/gpsd_library.h"
#include "serial/serial_state.h"

namespace {

constexpr char kGpsdScheme[] = "gpsd://";
// Reports of every receiver: the decoder follows one of them, which may be
// one gpsd does not hold yet (gpsd refuses a WATCH naming such a device).
constexpr char kWatchReports[] = "?WATCH={\"enable\":true,\"json\":true}\n";
constexpr char kAnswerEnd[] = "{\"class\":\"WATCH\"";
constexpr char kRefusal[] = "{\"class\":\"ERROR\"";
// A link that failed is not opened again at once: gpsd may be going away.
constexpr DWORD kLogRetryMs = 2000;

uint8_t logBuffer[kReadBufferSize];

// The receiver named after gpsd's host and port, or "": the text from its
// first '/' on (a host name holds none).
const char* NamedDevice(const char* source) {
    const char* slash = std::strchr(source + sizeof kGpsdScheme - 1, '/');
    return slash != nullptr ? slash : "";
}

bool Send(HANDLE port, const char* text, DWORD length) {
    DWORD written = 0;
    return WriteFile(port, text, length, &written, nullptr) && written == length;
}

void CloseLink(bool failed) {
    if (IsOpenHandle(GpsdLog.port)) CloseHandle(GpsdLog.port);
    GpsdLog = GpsdLogLink{};
    GpsdLog.resting = failed ? 1 : 0;
    GpsdLog.failedAt = GetTickCount();
}

// A second connection that asks for the followed receiver's bytes alone, as
// they came (raw mode 2). Opening "COMn:" again gives a connection of its own.
bool OpenLink() {
    HANDLE port = OpenComDevice(ComPortNumber);
    if (port == INVALID_HANDLE_VALUE) return false;
    char watch[64 + kGpsdPathCapacity];
    const int length =
        std::snprintf(watch, sizeof watch, "?WATCH={\"enable\":true,\"raw\":2,\"device\":\"%s\"}\n",
                      Receiver.device);
    if (length <= 0 || length >= static_cast<int>(sizeof watch) ||
        !Send(port, watch, static_cast<DWORD>(length))) {
        CloseHandle(port);
        return false;
    }
    GpsdLog = GpsdLogLink{};
    GpsdLog.port = port;
    return true;
}

bool HeadIs(const char* answer) {
    const int32_t length = static_cast<int32_t>(std::strlen(answer));
    return GpsdLog.headLength >= length && std::memcmp(GpsdLog.head, answer, length) == 0;
}

// Passes over gpsd's answers (its greeting, the receivers it holds, the
// WATCH it took): every byte after the WATCH line is the receiver's. Returns
// where those start, count when none has come yet, or -1 when gpsd refused.
int32_t SkipAnswers(const uint8_t* bytes, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        if (bytes[i] != '\n') {
            if (GpsdLog.headLength < static_cast<int32_t>(sizeof GpsdLog.head)) {
                GpsdLog.head[GpsdLog.headLength] = static_cast<char>(bytes[i]);
            }
            if (GpsdLog.headLength < INT32_MAX) ++GpsdLog.headLength;
            continue;
        }
        if (HeadIs(kRefusal)) return -1;
        const bool last = HeadIs(kAnswerEnd);
        GpsdLog.headLength = 0;
        if (last) {
            GpsdLog.relaying = 1;
            return i + 1;
        }
    }
    return count;
}

}  // namespace

bool PortSpeaksGpsd(int portNumber) {
    char source[PATH_MAX];
    return host::PortSource(portNumber, source, sizeof source) &&
           std::strncmp(source, kGpsdScheme, sizeof kGpsdScheme - 1) == 0;
}

void StartGpsdSession(HANDLE port, int portNumber) {
    char source[PATH_MAX];
    SourceIsGpsd = host::PortSource(portNumber, source, sizeof source) &&
                           std::strncmp(source, kGpsdScheme, sizeof kGpsdScheme - 1) == 0
                       ? 1
                       : 0;
    if (!SourceIsGpsd) return;
    // Without the library every report reads as unreadable, and the
    // diagnostics say what to install.
    LoadGpsdReportReader();
    FollowGpsdReceiver(NamedDevice(source));
    // A new connection starts at a line of its own.
    ReportLines = ReportLineAssembler{};
    // Should the request not go out, the connection has failed, and the next
    // read says so.
    Send(port, kWatchReports, sizeof kWatchReports - 1);
}

void EndGpsdSession() {
    CloseLink(false);
    SourceIsGpsd = 0;
}

int32_t TakeReceiverBytes(const uint8_t** bytes) {
    *bytes = logBuffer;
    if (!SourceIsGpsd) return 0;
    if (!IsOpenHandle(GpsdLog.port)) {
        // Until gpsd names the receiver, nothing of it can be asked for.
        if (Receiver.device[0] == '\0' || !Receiver.held) return 0;
        if (GpsdLog.resting && GetTickCount() - GpsdLog.failedAt < kLogRetryMs) return 0;
        if (!OpenLink()) {
            CloseLink(true);
            return 0;
        }
    }
    const int32_t count = ReadAvailableInto(GpsdLog.port, logBuffer, kReadBufferSize);
    if (count == kPortFailed) {
        CloseLink(true);
        return 0;
    }
    if (GpsdLog.relaying) return count;
    const int32_t start = SkipAnswers(logBuffer, count);
    if (start < 0) {
        CloseLink(true);
        return 0;
    }
    *bytes = logBuffer + start;
    return count - start;
}

void CloseGpsdLog() {
    CloseLink(false);
}
