#pragma once
// A fresh, empty DAWNBELL_HOME for each test: the registry store of the home
// before is closed first, so nothing read or written carries over.
#include "Registry.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace dawnbell::test {

class TempHome {
public:
    // Closes the registry store and points DAWNBELL_HOME at a new empty directory.
    void Renew()
    {
        RegCloseStore();
        dir_ = std::make_unique<QTemporaryDir>();
        qputenv("DAWNBELL_HOME", dir_->path().toUtf8());
    }
    // Closes the registry store; the directory stays until the next Renew.
    void Close() { RegCloseStore(); }

    // Whether Renew could create the directory.
    bool isValid() const { return dir_ && dir_->isValid(); }
    // The directory (valid after Renew).
    QString path() const { return dir_->path(); }
    QString filePath(const QString& name) const { return dir_->filePath(name); }

private:
    std::unique_ptr<QTemporaryDir> dir_; // the current home; removed with its contents when replaced
};

} // namespace dawnbell::test
