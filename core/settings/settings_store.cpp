#include "core/settings/settings_store.h"

#include "base/convert.h"

#include <QDateTime>
#include <QSettings>
#include <QStringList>

#include <map>

namespace {

// "Software\Organisation\Application" names the native settings of that
// organisation and application.
struct KeyNames {
    QString organisation;
    QString application;
};

KeyNames NamesOf(const QString &key)
{
    const QStringList parts = key.split(u'\\', Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return {QStringLiteral("Tarvove feke"), QStringLiteral("Grabulo")};
    return {parts[parts.size() - 2], parts.last()};
}

bool Readable(const QSettings &settings)
{
    return settings.status() == QSettings::NoError;
}

}  // namespace

struct TSettingsWriteBatch::Stores {
    std::map<QString, std::unique_ptr<QSettings>> byKey;
};

namespace {

// The stores of this thread's outermost batch, or none.
thread_local TSettingsWriteBatch::Stores *t_batch = nullptr;

// Opens the store of the key for one access, or gives the one the batch
// keeps open.
class TStoreAccess {
public:
    explicit TStoreAccess(const QString &key)
    {
        if (t_batch) {
            std::unique_ptr<QSettings> &kept = t_batch->byKey[key];
            if (!kept)
                kept = Open(key);
            settings_ = kept.get();
        } else {
            own_ = Open(key);
            settings_ = own_.get();
        }
    }
    QSettings &operator*() const { return *settings_; }
    QSettings *operator->() const { return settings_; }
    // Puts a write on disk now, unless a batch does it at its end.
    void Commit() const
    {
        if (own_)
            own_->sync();
    }

private:
    static std::unique_ptr<QSettings> Open(const QString &key)
    {
        const KeyNames names = NamesOf(key);
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, names.organisation,
                                           names.application);
    }

    std::unique_ptr<QSettings> own_;
    QSettings *settings_ = nullptr;
};

// The stored value as text, or nothing when it is missing or unreadable.
std::optional<QString> ReadText(const QString &key, const QString &name)
{
    const TStoreAccess settings(key);
    if (!Readable(*settings) || !settings->contains(name))
        return std::nullopt;
    const QVariant value = settings->value(name);
    QString text;
    if (value.typeId() == QMetaType::QStringList)
        text = value.toStringList().join(QStringLiteral(", "));  // an unquoted comma in the file
    else if (value.canConvert<QString>())
        text = value.toString();
    else
        return std::nullopt;
    // Reading stops at the first NUL, as a string value of the store does.
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

void WriteText(const QString &key, const QString &name, const QString &text)
{
    const TStoreAccess settings(key);
    if (!Readable(*settings))
        return;  // a corrupt or unreadable store is left as it is
    settings->setValue(name, text);
    settings.Commit();
}

}  // namespace

TSettingsWriteBatch::TSettingsWriteBatch()
{
    if (t_batch)
        return;  // an outer batch writes these too
    stores_ = std::make_unique<Stores>();
    t_batch = stores_.get();
}

TSettingsWriteBatch::~TSettingsWriteBatch()
{
    if (!stores_)
        return;
    t_batch = nullptr;
    for (auto &[key, settings] : stores_->byKey) {
        if (Readable(*settings))
            settings->sync();
    }
}

void RegWriteString(const QString &key, const QString &name, const QString &value)
{
    WriteText(key, name, value);
}

QString RegReadString(const QString &key, const QString &name, const QString &defaultValue)
{
    return ReadText(key, name).value_or(defaultValue);
}

void RegWriteInteger(const QString &key, const QString &name, qint32 value)
{
    WriteText(key, name, QString::number(value));
}

qint32 RegReadInteger(const QString &key, const QString &name, qint32 defaultValue)
{
    const std::optional<QString> text = ReadText(key, name);
    if (!text)
        return defaultValue;
    return TryStrToInt(*text).value_or(defaultValue);
}

qint64 TimeStampMsecs(const QDateTime &local)
{
    const QDateTime time = local.toLocalTime();
    const qint64 day = time.date().toJulianDay() - QDate(1, 1, 1).toJulianDay() + 1;
    return day * 86'400'000LL + time.time().msecsSinceStartOfDay();
}

qint64 TimeStampMsecs()
{
    return TimeStampMsecs(QDateTime::currentDateTime());
}
