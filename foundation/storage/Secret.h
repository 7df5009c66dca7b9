#pragma once

// Overwriting secrets (passwords, keys) once they are no longer needed, so a
// freed buffer does not keep them for whoever reads the memory later.
#include <cstring>
#include <utility>

#include <QByteArray>
#include <QString>

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

// Key bytes that are overwritten when they go out of scope.
class WipedBytes : public QByteArray {
public:
    explicit WipedBytes(QByteArray bytes) : QByteArray(std::move(bytes)) {}
    WipedBytes(WipedBytes&& other) noexcept : QByteArray(std::move(other)) {}
    WipedBytes(const WipedBytes&) = delete;
    WipedBytes& operator=(const WipedBytes&) = delete;
    ~WipedBytes() { WipeSecret(*this); }
};
