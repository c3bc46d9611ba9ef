#pragma once

#include "model/parameter.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace Corv {

// An owning, ordered array of records. Copying clones every element.
class CParameterArray {
public:
    CParameterArray() = default;
    CParameterArray(const CParameterArray& other) { AppendClonesOf(other); }
    CParameterArray& operator=(const CParameterArray& other) {
        if (this != &other) {
            m_items.clear();
            AppendClonesOf(other);
        }
        return *this;
    }
    CParameterArray(CParameterArray&&) noexcept = default;
    CParameterArray& operator=(CParameterArray&&) noexcept = default;
    virtual ~CParameterArray() = default;

    // A new default record of the array's class.
    virtual std::unique_ptr<CParameter> NewElement() const = 0;

    std::size_t Size() const { return m_items.size(); }
    CParameter& Item(std::size_t i) { return *m_items[i]; }
    const CParameter& Item(std::size_t i) const { return *m_items[i]; }

    // Destroys the elements from position n on, or appends new default elements up to n.
    void Resize(std::size_t n) {
        if (n < m_items.size()) {
            m_items.resize(n);
            return;
        }
        m_items.reserve(n);
        while (m_items.size() < n)
            m_items.push_back(NewElement());
    }
    void Clear() { m_items.clear(); }
    // Exchanges the elements of two arrays of the same class without copying records.
    void SwapItems(CParameterArray& other) noexcept { m_items.swap(other.m_items); }

protected:
    // Destroys the record at i and puts the given one there.
    void PlaceItem(std::size_t i, std::unique_ptr<CParameter> record) {
        m_items[i] = std::move(record);
    }
    void InsertItem(std::size_t i, std::unique_ptr<CParameter> record) {
        m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(i), std::move(record));
    }
    void AppendItem(std::unique_ptr<CParameter> record) { m_items.push_back(std::move(record)); }
    // Moves the last `count` records in front of position i, keeping their order.
    void MoveLastTo(std::size_t i, std::size_t count) {
        std::rotate(m_items.begin() + static_cast<std::ptrdiff_t>(i),
                    m_items.end() - static_cast<std::ptrdiff_t>(count), m_items.end());
    }

private:
    void AppendClonesOf(const CParameterArray& other) {
        m_items.reserve(other.m_items.size());
        for (const auto& item : other.m_items)
            m_items.push_back(item->Clone());
    }

    std::vector<std::unique_ptr<CParameter>> m_items;
};

// The array of one record class; elements are accessed with their own type.
template <class T> class CConcreteParameterArray : public CParameterArray {
public:
    CConcreteParameterArray() = default;
    CConcreteParameterArray(const CConcreteParameterArray&) = default;
    CConcreteParameterArray(CConcreteParameterArray&&) noexcept = default;
    CConcreteParameterArray& operator=(CConcreteParameterArray&&) noexcept = default;
    // A deep copy that overwrites the records already held instead of destroying them and
    // allocating clones: undo snapshots and transfer arrays are copied again and again, and a
    // tone owns seventeen blocks of memory.
    CConcreteParameterArray& operator=(const CConcreteParameterArray& other) {
        if (this == &other)
            return *this;
        const std::size_t kept = std::min(Size(), other.Size());
        Resize(kept);
        for (std::size_t i = 0; i < kept; ++i)
            (*this)[i] = other[i];
        for (std::size_t i = kept; i < other.Size(); ++i)
            Append(Copy(other[i]));
        return *this;
    }

    std::unique_ptr<CParameter> NewElement() const override { return std::make_unique<T>(); }

    T& operator[](std::size_t i) { return static_cast<T&>(Item(i)); }
    const T& operator[](std::size_t i) const { return static_cast<const T&>(Item(i)); }

    void Place(std::size_t i, std::unique_ptr<T> record) { PlaceItem(i, std::move(record)); }
    // Makes the record at i a deep copy of the given one (copied into the record already
    // there, whose memory is reused).
    void PlaceClone(std::size_t i, const T& record) { (*this)[i] = record; }
    void Insert(std::size_t i, std::unique_ptr<T> record) { InsertItem(i, std::move(record)); }
    void Append(std::unique_ptr<T> record) { AppendItem(std::move(record)); }
    // Appends a deep copy of a record.
    void AppendCopy(const T& record) { Append(Copy(record)); }
    // Inserts deep copies of the first `count` records of `from` in front of position i, then
    // keeps the first `size` records. When the array has that size already, the records pushed
    // past its end become the copies (their memory reused) instead of being destroyed.
    void InsertCopies(std::size_t i, const CConcreteParameterArray& from, std::size_t count,
                      std::size_t size) {
        assert(&from != this && count <= from.Size());
        if (Size() == size && i + count <= size) {
            MoveLastTo(i, count);
            for (std::size_t k = 0; k < count; ++k)
                (*this)[i + k] = from[k];
            return;
        }
        for (std::size_t k = 0; k < count; ++k)
            Insert(i + k, Copy(from[k]));
        Resize(size);
    }

    static std::unique_ptr<T> Copy(const T& record) { return std::make_unique<T>(record); }

    bool operator==(const CConcreteParameterArray& other) const {
        if (Size() != other.Size())
            return false;
        for (std::size_t i = 0; i < Size(); ++i)
            if (!((*this)[i] == other[i]))
                return false;
        return true;
    }
};

using CPatchArray = CConcreteParameterArray<CPatch>;
using CToneArray = CConcreteParameterArray<CTone>;
using CWaveArray = CConcreteParameterArray<CWave>;

} // namespace Corv
