#pragma once

// Overwriting secrets (passwords, keys) once they are no longer needed, so a
// freed buffer does not keep them for whoever reads the memory later.
#include <cstring>
#include <malloc.h>
#include <utility>

#include <QByteArray>
#include <QString>

#include "foundation/TesselcoreApi.h"

// Overwrites the text when this is its only holder; shared data belongs to
// others as well and is left to them.
inline void WipeSecret(QByteArray& bytes)
{
    if (!bytes.isEmpty() && bytes.isDetached())
        explicit_bzero(bytes.data(), size_t(bytes.size()));
    bytes.clear();
}

inline void WipeSecret(QString& text)
{
    if (!text.isEmpty() && text.isDetached())
        explicit_bzero(text.data(), size_t(text.size()) * sizeof(QChar));
    text.clear();
}

// Overwrites the text in its buffer even where the buffer is shared: for a
// secret whose every holder is done with it (a closing window's fields and
// the copies it read from them).
inline void WipeSharedSecret(QString& text)
{
    if (!text.isEmpty() && text.data_ptr().isMutable())
        explicit_bzero(const_cast<QChar*>(text.constData()), size_t(text.size()) * sizeof(QChar));
    text.clear();
}

// The SHA-256 digest of `bytes` fed `times` times over. The hashing state,
// which keeps the last block of the input, is overwritten when done (a Qt
// hash object frees it as it is).
TESSELCORE_API QByteArray SecretDigest(const QByteArray& bytes, int times = 1);

// Key bytes that are overwritten when they go out of scope.
class WipedBytes : public QByteArray {
public:
    explicit WipedBytes(QByteArray bytes) : QByteArray(std::move(bytes)) {}
    WipedBytes(WipedBytes&& other) noexcept : QByteArray(std::move(other)) {}
    WipedBytes(const WipedBytes&) = delete;
    WipedBytes& operator=(const WipedBytes&) = delete;
    ~WipedBytes() { WipeSecret(*this); }
};

// Overwrites the stack below the caller, where decrypting and reading left
// copies of vault pages and texts.
[[gnu::noinline]] inline void ScrubStack()
{
    volatile char scratch[256 * 1024];
    explicit_bzero(const_cast<char*>(scratch), sizeof scratch);
}

// After a window that held secrets has overwritten its own copies: the heap
// pages freed on the way go back to the system (which hands them out zeroed),
// and the stack is scrubbed.
inline void ScrubFreedMemory()
{
    malloc_trim(0);
    ScrubStack();
}
