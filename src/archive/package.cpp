#include "archive/package.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace archive {

namespace {

QJsonObject numbered(const QMap<int, QString>& texts)
{
    QJsonObject o;
    for (auto it = texts.begin(); it != texts.end(); ++it)
        o.insert(QString::number(it.key()), it.value());
    return o;
}

QMap<int, QString> fromNumbered(const QJsonObject& o)
{
    QMap<int, QString> texts;
    for (auto it = o.begin(); it != o.end(); ++it) {
        bool ok = false;
        const int index = it.key().toInt(&ok);
        if (ok)
            texts.insert(index, it.value().toString());
    }
    return texts;
}

} // namespace

bool writePackageSetup(const QString& path, const PackageSetup& setup)
{
    QJsonObject root;
    root.insert(QStringLiteral("format"), QString::fromLatin1(kPackageComment));
    root.insert(QStringLiteral("title"), setup.title);
    root.insert(QStringLiteral("saver"), setup.saverFile);
    root.insert(QStringLiteral("defaultFolder"), setup.defaultFolder);
    root.insert(QStringLiteral("programGroup"), setup.programGroup);
    root.insert(QStringLiteral("icon"), setup.icon);
    root.insert(QStringLiteral("strings"), numbered(setup.strings));
    root.insert(QStringLiteral("messages"), numbered(setup.messages));
    QJsonArray items;
    for (const auto& [program, title] : setup.items)
        items.append(QJsonObject{{QStringLiteral("program"), program},
                                 {QStringLiteral("title"), title}});
    root.insert(QStringLiteral("items"), items);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(root).toJson());
    return file.commit();
}

bool readPackageSetup(const QString& path, PackageSetup* setup)
{
    QFile file(path);
    // A setup file is a few kilobytes; anything far larger is not one.
    if (!file.open(QIODevice::ReadOnly) || file.size() > (1 << 20))
        return false;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("format")).toString() != QLatin1String(kPackageComment))
        return false;
    PackageSetup s;
    s.title = root.value(QStringLiteral("title")).toString();
    s.saverFile = root.value(QStringLiteral("saver")).toString();
    s.defaultFolder = root.value(QStringLiteral("defaultFolder")).toString();
    s.programGroup = root.value(QStringLiteral("programGroup")).toString();
    s.icon = root.value(QStringLiteral("icon")).toString();
    s.strings = fromNumbered(root.value(QStringLiteral("strings")).toObject());
    s.messages = fromNumbered(root.value(QStringLiteral("messages")).toObject());
    for (const QJsonValue& v : root.value(QStringLiteral("items")).toArray()) {
        const QJsonObject item = v.toObject();
        s.items.append({item.value(QStringLiteral("program")).toString(),
                        item.value(QStringLiteral("title")).toString()});
    }
    *setup = s;
    return true;
}

QString expandDestination(const QString& text, const QString& folder)
{
    QString f = folder;
    while (f.size() > 1 && f.endsWith(QLatin1Char('/')))
        f.chop(1);
    QString out = text;
    return out.replace(QStringLiteral("%w"), f, Qt::CaseInsensitive);
}

} // namespace archive
