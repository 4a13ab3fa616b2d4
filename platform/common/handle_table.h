// The one handle scheme of the platform layer: kernel objects, GDI objects,
// device contexts, windows and resources are all reached through handles
// that name a table, a slot and the slot's generation. A handle is checked
// before use, so a stale or made-up handle is refused instead of being
// dereferenced. Handles fit in a pointer of any width.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace handles {

// Which table a handle belongs to, in its top four bits. A handle of one
// table is never found in another. Tag 0 is never used, so no small integer
// is a handle, nor is a value with only bit 30 besides the slot (a system
// colour index given as a brush), hence no tag 4; tag 15 could make
// INVALID_HANDLE_VALUE.
enum class Tag : std::uintptr_t {
    kKernelObject = 1,
    kGdiObject = 2,
    kDeviceContext = 3,
    kWindow = 5,
    kModule = 6,
    kIcon = 7,
    kAccelerator = 8,
    kResource = 9,
    kLibrary = 10,
};

inline constexpr unsigned kPointerBits = sizeof(std::uintptr_t) * 8;
inline constexpr unsigned kTagBits = 4;
inline constexpr unsigned kSlotBits = 16;
// 12 bits with 32-bit pointers, 44 with 64-bit ones.
inline constexpr unsigned kGenerationBits = kPointerBits - kTagBits - kSlotBits;
inline constexpr std::size_t kMaxSlots = (std::size_t{1} << kSlotBits) - 1;

template <class Handle>
std::uintptr_t Raw(Handle handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}
template <class Handle>
Handle As(std::uintptr_t raw) {
    return reinterpret_cast<Handle>(raw);
}

// Items of one kind behind handles. A slot whose generation has run out is
// retired rather than reused, so no handle ever names a later item; with
// 12-bit generations that takes 4095 items in one slot, and the table holds
// up to kSlots items at once. Not thread-safe: callers that share a table
// between threads lock around it.
template <class Item, Tag kTag, std::size_t kSlots = kMaxSlots,
          unsigned kGenerations = kGenerationBits>
class HandleTable {
    static_assert(kSlots >= 1 && kSlots <= kMaxSlots);
    static_assert(kGenerations >= 1 && kGenerations <= kGenerationBits);

  public:
    // The new item's handle; 0 when every slot is taken or retired.
    std::uintptr_t Add(Item item) {
        std::size_t index;
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else if (slots_.size() < kSlots) {
            index = slots_.size();
            slots_.emplace_back();
        } else {
            return 0;
        }
        Slot& slot = slots_[index];
        slot.item.emplace(std::move(item));
        return Encode(index, slot.generation);
    }

    // The live item behind the handle, or null. Items never move: the
    // pointer stays good until that item is removed.
    Item* Find(std::uintptr_t handle) {
        const std::size_t index = Decode(handle);
        return index != kNone ? &*slots_[index].item : nullptr;
    }

    // Takes the item out, so the caller decides when it is destroyed; empty
    // when the handle is not live. The handle is stale from now on.
    std::optional<Item> Remove(std::uintptr_t handle) {
        const std::size_t index = Decode(handle);
        if (index == kNone) return std::nullopt;
        Slot& slot = slots_[index];
        std::optional<Item> item = std::move(slot.item);
        slot.item.reset();
        if (slot.generation < kMaxGeneration) {
            ++slot.generation;
            free_.push_back(index);
        }
        return item;
    }

    // Calls visit(handle, item) for every live item, in slot order. The
    // visitor must not add or remove items.
    template <class Visit>
    void ForEach(Visit visit) {
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            if (slots_[i].item.has_value()) visit(Encode(i, slots_[i].generation), *slots_[i].item);
        }
    }

    // Removes every item; their handles stay stale.
    void Clear() {
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            if (slots_[i].item.has_value()) Remove(Encode(i, slots_[i].generation));
        }
    }

  private:
    static constexpr unsigned kTagShift = kPointerBits - kTagBits;
    static constexpr std::uintptr_t kSlotMask = (std::uintptr_t{1} << kSlotBits) - 1;
    static constexpr std::uintptr_t kFieldMask = (std::uintptr_t{1} << kGenerationBits) - 1;
    static constexpr std::uintptr_t kMaxGeneration = (std::uintptr_t{1} << kGenerations) - 1;
    static constexpr std::size_t kNone = ~std::size_t{0};

    struct Slot {
        std::optional<Item> item;
        std::uintptr_t generation = 0;
    };

    static std::uintptr_t Encode(std::size_t index, std::uintptr_t generation) {
        return (static_cast<std::uintptr_t>(kTag) << kTagShift) | (generation << kSlotBits) |
               (static_cast<std::uintptr_t>(index) + 1);
    }

    // The slot index of a live handle, or kNone.
    std::size_t Decode(std::uintptr_t handle) const {
        if ((handle >> kTagShift) != static_cast<std::uintptr_t>(kTag)) return kNone;
        const std::uintptr_t low = handle & kSlotMask;
        const std::uintptr_t generation = (handle >> kSlotBits) & kFieldMask;
        if (low == 0 || low > slots_.size()) return kNone;
        const Slot& slot = slots_[low - 1];
        if (!slot.item.has_value() || slot.generation != generation) return kNone;
        return low - 1;
    }

    // A deque, so that items stay where they are as the table grows.
    std::deque<Slot> slots_;
    std::vector<std::size_t> free_;
};

}  // namespace handles
