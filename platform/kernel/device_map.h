// Which host device stands behind each "COMn:" port.
#pragma once

#include <string>
#include <vector>

namespace kernel {

// The host's serial devices in port order, found under root ("" for the real
// system; tests pass a directory laid out like one):
//   dev/serial/by-id/* in name order (stable names of USB receivers), then
//   dev/ttyACM*, dev/ttyUSB*, dev/serial0, dev/ttyAMA*, dev/ttyS*, each group in
//   numeric order. A device reached by several names counts once, under the
//   first. A ttyS port counts only when sys/class/tty/ttySn/type names a UART
//   (not 0, the unknown type): most PCs list many ttyS ports with no hardware
//   behind them, and sysfs tells without opening them.
// Paths are returned as found (root included), not resolved.
std::vector<std::string> ListSerialDevices(const std::string& root);

// ListSerialDevices(root), read again only when dev or dev/serial/by-id has
// changed since the last reading (a device node or link added or removed moves
// its folder's modification time): a search that asks for every port each
// second then costs two stat calls, not a reading of /dev per port.
const std::vector<std::string>& CurrentSerialDevices(const std::string& root);

}  // namespace kernel
