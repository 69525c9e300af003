#pragma once

// An open file descriptor, closed when its holder ends. Every file and folder that the core
// opens below the C library's FILE is held by one.

#include <utility>

namespace korvo {

class TFileDescriptor {
public:
    TFileDescriptor() = default;
    explicit TFileDescriptor(int descriptor)
        : m_descriptor(descriptor)
    {
    }
    ~TFileDescriptor() { Close(); }
    TFileDescriptor(TFileDescriptor&& other) noexcept
        : m_descriptor(std::exchange(other.m_descriptor, -1))
    {
    }
    TFileDescriptor& operator=(TFileDescriptor&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_descriptor = std::exchange(other.m_descriptor, -1);
        }
        return *this;
    }

    int Get() const { return m_descriptor; }
    bool Valid() const { return m_descriptor >= 0; }
    // Hands the descriptor over (to fdopen, for instance); the holder is empty afterwards.
    int Release() { return std::exchange(m_descriptor, -1); }
    // True when the descriptor was closed without error (a late write error shows here).
    bool Close();

private:
    int m_descriptor = -1;
};

} // namespace korvo
