#include "platform/kernel/device_map.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "host/host.h"
#include "win/kernel.h"

namespace kernel {
namespace {

struct Numbered {
    unsigned long number;
    std::string name;
};

// Every name in dir but "." and "..", in name order; empty when dir cannot be read.
std::vector<std::string> SortedNames(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) return names;
    while (dirent* entry = readdir(d)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        names.emplace_back(entry->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// The names that are prefix followed by digits only, in numeric order.
std::vector<std::string> NumberedNames(const std::vector<std::string>& names, const char* prefix) {
    std::vector<Numbered> found;
    std::size_t prefix_length = std::strlen(prefix);
    for (const std::string& name : names) {
        if (name.compare(0, prefix_length, prefix) != 0) continue;
        const char* digits = name.c_str() + prefix_length;
        if (*digits == '\0' || std::strlen(digits) > 9) continue;
        bool all_digits = true;
        for (const char* p = digits; *p != '\0'; ++p)
            all_digits = all_digits && *p >= '0' && *p <= '9';
        if (!all_digits) continue;
        found.push_back({std::strtoul(digits, nullptr, 10), name});
    }
    std::sort(found.begin(), found.end(), [](const Numbered& a, const Numbered& b) {
        return a.number != b.number ? a.number < b.number : a.name < b.name;
    });
    std::vector<std::string> numbered;
    for (Numbered& n : found)
        numbered.push_back(std::move(n.name));
    return numbered;
}

bool UartPresent(const std::string& root, const std::string& name) {
    std::string type_path = root + "/sys/class/tty/" + name + "/type";
    FILE* f = std::fopen(type_path.c_str(), "re");
    if (f == nullptr) return false;
    int type = 0;
    bool read = std::fscanf(f, "%d", &type) == 1;
    std::fclose(f);
    return read && type != 0;
}

class DeviceList {
  public:
    void Add(const std::string& path) {
        char resolved[PATH_MAX];
        // Dangling links and vanished devices are left out.
        if (realpath(path.c_str(), resolved) == nullptr) return;
        if (!seen_.insert(resolved).second) return;
        paths_.push_back(path);
    }
    std::vector<std::string> Take() { return std::move(paths_); }

  private:
    std::set<std::string> seen_;
    std::vector<std::string> paths_;
};

// What a folder was when the device list was read: where it is and when it last
// changed.
struct FolderStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};

    bool operator==(const FolderStamp& other) const {
        return exists == other.exists && device == other.device && inode == other.inode &&
               modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

FolderStamp StampOf(const std::string& path) {
    FolderStamp stamp;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return stamp;
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.modified = info.st_mtim;
    return stamp;
}

// A folder changed less than a second ago may change again within the same
// tick of the filesystem's clock and keep its time, so a reading of it is
// not trusted to stay current.
bool Settled(const FolderStamp& stamp) {
    if (!stamp.exists) return true;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec - stamp.modified.tv_sec >= 2;
}

}  // namespace

std::vector<std::string> ListSerialDevices(const std::string& root) {
    DeviceList list;
    const std::string dev = root + "/dev";
    const std::string by_id = dev + "/serial/by-id";
    for (const std::string& name : SortedNames(by_id))
        list.Add(by_id + "/" + name);
    // One reading of dev serves every group.
    const std::vector<std::string> dev_names = SortedNames(dev);
    for (const std::string& name : NumberedNames(dev_names, "ttyACM"))
        list.Add(dev + "/" + name);
    for (const std::string& name : NumberedNames(dev_names, "ttyUSB"))
        list.Add(dev + "/" + name);
    list.Add(dev + "/serial0");
    for (const std::string& name : NumberedNames(dev_names, "ttyAMA"))
        list.Add(dev + "/" + name);
    for (const std::string& name : NumberedNames(dev_names, "ttyS")) {
        if (UartPresent(root, name)) list.Add(dev + "/" + name);
    }
    return list.Take();
}

const std::vector<std::string>& CurrentSerialDevices(const std::string& root) {
    static std::string cached_root;
    static FolderStamp dev_stamp;
    static FolderStamp by_id_stamp;
    static bool trusted = false;
    static std::vector<std::string> devices;
    const FolderStamp dev = StampOf(root + "/dev");
    const FolderStamp by_id = StampOf(root + "/dev/serial/by-id");
    if (trusted && root == cached_root && dev == dev_stamp && by_id == by_id_stamp) return devices;
    devices = ListSerialDevices(root);
    cached_root = root;
    dev_stamp = dev;
    by_id_stamp = by_id;
    trusted = Settled(dev) && Settled(by_id);
    return devices;
}

}  // namespace kernel

namespace host {
namespace {

// What the program gave each port; a port it gave nothing is the host's.
struct GivenSource {
    bool given = false;
    std::string source;
};

GivenSource& Given(int port_number) {
    static GivenSource given[kComPortCount];
    return given[port_number - 1];
}

}  // namespace

bool SetPortSource(int port_number, const char* source) {
    if (port_number < 1 || port_number > kComPortCount) return false;
    GivenSource& given = Given(port_number);
    given.given = source != nullptr;
    given.source = source != nullptr ? source : "";
    return true;
}

bool PortSource(int port_number, char* path, std::size_t capacity) {
    if (path == nullptr || capacity == 0) return false;
    path[0] = '\0';
    if (port_number < 1 || port_number > kComPortCount) return false;
    std::string chosen;
    if (const GivenSource& given = Given(port_number); given.given) {
        chosen = given.source;
    } else {
        const std::vector<std::string>& devices = kernel::CurrentSerialDevices("");
        if (static_cast<std::size_t>(port_number) <= devices.size()) {
            chosen = devices[static_cast<std::size_t>(port_number) - 1];
        }
    }
    if (chosen.empty() || chosen.size() + 1 > capacity) return false;
    std::memcpy(path, chosen.c_str(), chosen.size() + 1);
    return true;
}

}  // namespace host
