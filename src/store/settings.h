#pragma once
// The settings store: the registry of the original desktop, kept here as
// readable text files under $XDG_CONFIG_HOME/kelvra-saver/, one file per root
// key, each key path a section. Values are always text.
//
// Every operation re-reads the file, so a value saved by one process is seen
// by the next read of another (the running show re-reads what the editor
// saves). Writes take a lock, merge into the file as it is on disk and replace
// it atomically: a killed writer never leaves a torn or empty file and
// concurrent writers lose no value.
//
// The quiet flag suppresses the failure message box.

#include <QString>

namespace store {

enum class RootKey { CurrentUser, ClassesRoot };

// "Software\ZEM Vazidorezod\Kelvra Saver"
QString programKeyPath();

// Folder of the store files ($XDG_CONFIG_HOME/kelvra-saver, created on write).
QString settingsDir();

// Program key, current-user root. An existing empty value reads as "".
QString getSetting(const QString& name, const QString& defaultValue, bool quiet);
bool saveSetting(const QString& name, const QString& value, bool quiet);

// Any key. An existing empty value reads as the default.
QString readValue(RootKey root, const QString& keyPath, const QString& name,
                  const QString& defaultValue, bool quiet);
bool saveValue(RootKey root, const QString& keyPath, const QString& name, const QString& value,
               bool quiet);
bool deleteValue(RootKey root, const QString& keyPath, const QString& name, bool quiet);
// Deletes the key and every subkey, deepest first.
bool deleteKey(RootKey root, const QString& keyPath, bool quiet);

} // namespace store
