// Handles that are checked before use: an index into a table of slots plus a
// generation, so a stale or made-up handle is found invalid instead of being
// dereferenced.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace gdi {

static_assert(sizeof(std::uintptr_t) >= 8, "handles carry a 32-bit generation");

template <class T, std::uintptr_t kTag>
class HandleTable {
  public:
    static constexpr std::uintptr_t kIndexBits = 28;
    static constexpr std::uintptr_t kIndexMask = (std::uintptr_t{1} << kIndexBits) - 1;

    // Zero when the table is full.
    std::uintptr_t Add(std::unique_ptr<T> item) {
        std::size_t index;
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else {
            if (slots_.size() >= kIndexMask - 1) return 0;
            index = slots_.size();
            slots_.emplace_back();
        }
        slots_[index].item = std::move(item);
        return Encode(index, slots_[index].generation);
    }

    T* Find(std::uintptr_t handle) const {
        if ((handle >> kIndexBits & 0xF) != kTag) return nullptr;
        const std::uintptr_t low = handle & kIndexMask;
        if (low == 0 || low > slots_.size()) return nullptr;
        const Slot& slot = slots_[low - 1];
        if (slot.item == nullptr || (handle >> 32) != slot.generation) return nullptr;
        return slot.item.get();
    }

    void Remove(std::uintptr_t handle) {
        if (Find(handle) == nullptr) return;
        const std::size_t index = (handle & kIndexMask) - 1;
        slots_[index].item.reset();
        slots_[index].generation =
            slots_[index].generation == 0xFFFFFFFFu ? 1u : slots_[index].generation + 1;
        free_.push_back(index);
    }

  private:
    struct Slot {
        std::unique_ptr<T> item;
        std::uint32_t generation = 1;
    };

    static std::uintptr_t Encode(std::size_t index, std::uint32_t generation) {
        return (static_cast<std::uintptr_t>(generation) << 32) | (kTag << kIndexBits) |
               static_cast<std::uintptr_t>(index + 1);
    }

    std::vector<Slot> slots_;
    std::vector<std::size_t> free_;
};

}  // namespace gdi
