#include "platform/kernel/handle_table.h"

#include <sys/ioctl.h>

#include <optional>
#include <utility>

#include "platform/common/handle_table.h"

namespace kernel {
namespace {

using Objects = handles::HandleTable<KernelObject, handles::Tag::kKernelObject, kMaxHandles>;

struct Table {
    std::mutex mutex;
    Objects objects;
};

// Never destroyed, so handles stay valid for static destructors that run at
// exit; the host closes the descriptors when the process ends.
Table& GetTable() {
    static Table* table = new Table;
    return *table;
}

}  // namespace

HANDLE AddObject(KernelObject object) {
    Table& table = GetTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    const std::uintptr_t handle = table.objects.Add(std::move(object));
    return handle != 0 ? handles::As<HANDLE>(handle) : INVALID_HANDLE_VALUE;
}

std::optional<KernelObject> TakeObject(HANDLE handle) {
    Table& table = GetTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    return table.objects.Remove(handles::Raw(handle));
}

// The exclusive-open flag would otherwise outlive us on a line that another
// descriptor still holds open. A name still being looked up is left to the
// next asker.
void KernelObject::LetGo() {
    if (kind == ObjectKind::kSerial && fd.Valid()) ioctl(fd.Get(), TIOCNXCL);
    if (stream && stream->lookup != 0) DropLookup(stream->lookup);
    if (stream) stream->lookup = 0;
}

ObjectLock::ObjectLock(HANDLE handle) : lock_(GetTable().mutex) {
    object_ = GetTable().objects.Find(handles::Raw(handle));
}

}  // namespace kernel
