#pragma once

#include <array>
#include <cstddef>

namespace tavox {

// A fixed-capacity array indexed from 1, as the menu's record arrays are. An index outside 1..Capacity reads
// as an empty record and takes writes without keeping them, so a count larger than the capacity (from a
// hand-edited catalogue or settings file) can never reach past the end.
template <typename T, std::size_t Capacity> class OneBasedArray {
public:
    static constexpr int kCapacity = static_cast<int>(Capacity);

    static constexpr bool Contains(int index) { return index >= 1 && index <= kCapacity; }

    const T& operator[](int index) const { return Contains(index) ? items_[Slot(index)] : Empty(); }

    T& operator[](int index) {
        if (Contains(index)) {
            return items_[Slot(index)];
        }
        discard_ = T{}; // whatever the last stray write left is forgotten
        return discard_;
    }

    void Clear() { items_.fill(T{}); }

private:
    static std::size_t Slot(int index) { return static_cast<std::size_t>(index - 1); }
    static const T& Empty() {
        static const T empty{};
        return empty;
    }

    std::array<T, Capacity> items_{};
    T discard_{};
};

} // namespace tavox
