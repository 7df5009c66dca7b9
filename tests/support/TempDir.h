#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A fresh folder per test; path() ends in '/' like the program's own folders.
class TempDirTest : public ::testing::Test {
protected:
    QString path() const { return m_dir.path() + '/'; }
    QString file(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};
