// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/UnitSettingsFile.h"

#include "protocol/NetworkMessages.h"
#include "protocol/SettingsForms.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

#include <cmath>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("UnitSettingsFile", text);
}

const QStringList kModels{QStringLiteral("TQR-10"), QStringLiteral("TQR-20"), QStringLiteral("TQR-30"),
                          QStringLiteral("TQR-30 Pro")};

// Walks the document; the first fault ends the reading and names its key.
class Reader
{
public:
    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }

    void fail(const QString &key, const QString &what)
    {
        if (m_error.isEmpty())
            m_error = key.isEmpty() ? what : QStringLiteral("%1: %2").arg(key, what);
    }

    // Refuses keys outside `known`, and missing ones among `required`.
    bool keys(const QJsonObject &object, const QString &where, const QStringList &known,
              const QStringList &required)
    {
        for (const QString &key : object.keys()) {
            if (!known.contains(key)) {
                fail(join(where, key), tr("unknown key"));
                return false;
            }
        }
        for (const QString &key : required) {
            if (!object.contains(key)) {
                fail(join(where, key), tr("missing"));
                return false;
            }
        }
        return true;
    }

    std::optional<QJsonObject> object(const QJsonValue &value, const QString &key)
    {
        if (!value.isObject()) {
            fail(key, tr("must be an object"));
            return std::nullopt;
        }
        return value.toObject();
    }

    QString string(const QJsonValue &value, const QString &key)
    {
        if (!value.isString())
            fail(key, tr("must be a text"));
        return value.toString();
    }

    bool boolean(const QJsonValue &value, const QString &key)
    {
        if (!value.isBool())
            fail(key, tr("must be true or false"));
        return value.toBool();
    }

    std::optional<int> integer(const QJsonValue &value, const QString &key, int low, int high)
    {
        const double d = value.toDouble();
        if (!value.isDouble() || std::floor(d) != d || d < low || d > high) {
            fail(key, tr("must be a whole number from %1 to %2").arg(low).arg(high));
            return std::nullopt;
        }
        return int(d);
    }

    quint16 port(const QJsonValue &value, const QString &key)
    {
        return quint16(integer(value, key, 1, 65535).value_or(0));
    }

    QString address(const QJsonValue &value, const QString &key)
    {
        const QString text = string(value, key);
        if (!failed() && !NetworkMessages::isValidIpAddress(text))
            fail(key, tr("\"%1\" is not an IP address").arg(text));
        return failed() ? QString() : SettingsForms::normalAddress(text);
    }

    static QString join(const QString &where, const QString &key)
    {
        return where.isEmpty() ? key : where + QLatin1Char('.') + key;
    }

private:
    QString m_error;
};

std::optional<UnitSettings::Addressing> readAddressing(Reader &r, const QJsonObject &o)
{
    const QString at = QStringLiteral("settings.addressing");
    if (!r.keys(o, at, {"mode", "address", "subnet", "gateway"}, {"mode"}))
        return std::nullopt;
    UnitSettings::Addressing a;
    const QString mode = r.string(o.value("mode"), at + ".mode");
    if (!r.failed() && mode != QLatin1String("dhcp") && mode != QLatin1String("manual"))
        r.fail(at + ".mode", tr("must be \"dhcp\" or \"manual\""));
    if (r.failed())
        return std::nullopt;
    a.dhcp = mode == QLatin1String("dhcp");
    if (!a.dhcp && !r.keys(o, at, {"mode", "address", "subnet", "gateway"}, {"address", "subnet", "gateway"}))
        return std::nullopt;
    if (o.contains("address"))
        a.address = r.address(o.value("address"), at + ".address");
    if (o.contains("subnet"))
        a.subnet = r.address(o.value("subnet"), at + ".subnet");
    if (o.contains("gateway"))
        a.gateway = r.address(o.value("gateway"), at + ".gateway");
    return a;
}

std::optional<UnitSettings::Osc> readOsc(Reader &r, const QJsonObject &o)
{
    const QString at = QStringLiteral("settings.osc");
    if (!r.keys(o, at, {"localPort", "forward", "targets"}, {"localPort", "forward", "targets"}))
        return std::nullopt;
    UnitSettings::Osc osc;
    osc.localPort = r.port(o.value("localPort"), at + ".localPort");
    osc.forward = r.boolean(o.value("forward"), at + ".forward");
    const QJsonValue targets = o.value("targets");
    if (!targets.isArray() || targets.toArray().size() != UnitSettings::kOscTargets) {
        r.fail(at + ".targets", tr("must be a list of %1 entries, null for an unset one").arg(UnitSettings::kOscTargets));
        return std::nullopt;
    }
    const QJsonArray list = targets.toArray();
    for (int i = 0; i < UnitSettings::kOscTargets && !r.failed(); ++i) {
        const QString key = QStringLiteral("%1.targets[%2]").arg(at).arg(i);
        if (list[i].isNull())
            continue;
        const std::optional<QJsonObject> t = r.object(list[i], key);
        if (!t || !r.keys(*t, key, {"address", "port"}, {"address", "port"}))
            return std::nullopt;
        UnitSettings::OscTarget target;
        target.address = r.address(t->value("address"), key + ".address");
        target.port = r.port(t->value("port"), key + ".port");
        osc.targets[size_t(i)] = target;
    }
    return osc;
}

// The text of the JSON string that starts at json[*at] (the opening quote),
// escapes decoded; *at ends after the closing quote.
QString readString(const QByteArray &json, int *at)
{
    QString text;
    QByteArray raw;
    int i = *at + 1;
    for (; i < json.size() && json[i] != '"'; ++i) {
        if (json[i] != '\\') {
            raw.append(json[i]);
            continue;
        }
        text += QString::fromUtf8(raw);
        raw.clear();
        if (++i >= json.size())
            break;
        if (json[i] == 'u') {
            text += QChar(ushort(json.mid(i + 1, 4).toUShort(nullptr, 16)));
            i += 4;
        } else {
            text += QLatin1Char(json[i]);
        }
    }
    *at = i;
    return text + QString::fromUtf8(raw);
}

// The first key that appears twice in one object; empty when none does. The
// JSON reader would keep the last silently (and Qt 5.15 leaks the value it
// drops), so the file is refused before it is read.
QString firstDuplicateKey(const QByteArray &json)
{
    struct Level
    {
        bool object;
        bool expectingKey;
        QSet<QString> keys;
    };
    QList<Level> levels;
    for (int i = 0; i < json.size(); ++i) {
        switch (json[i]) {
        case '{': levels.append({true, true, {}}); break;
        case '[': levels.append({false, false, {}}); break;
        case '}':
        case ']':
            if (!levels.isEmpty())
                levels.removeLast();
            break;
        case ',':
            if (!levels.isEmpty() && levels.last().object)
                levels.last().expectingKey = true;
            break;
        case '"': {
            const QString text = readString(json, &i);
            if (levels.isEmpty() || !levels.last().expectingKey)
                break;
            Level &level = levels.last();
            level.expectingKey = false;
            if (level.keys.contains(text))
                return text;
            level.keys.insert(text);
            break;
        }
        default: break;
        }
    }
    return QString();
}

QJsonValue addressValue(const QString &address)
{
    return address.isEmpty() ? QJsonValue() : QJsonValue(address);
}

} // namespace

QByteArray UnitSettingsFile::toJson() const
{
    QJsonObject s;
    if (settings.addressing) {
        const UnitSettings::Addressing &a = *settings.addressing;
        QJsonObject o{{"mode", a.dhcp ? "dhcp" : "manual"}};
        for (const auto &[key, value] : {std::pair{"address", a.address}, {"subnet", a.subnet}, {"gateway", a.gateway}}) {
            if (!value.isEmpty())
                o.insert(QLatin1String(key), addressValue(value));
        }
        s.insert("addressing", o);
    }
    if (settings.osc) {
        QJsonArray targets;
        for (const std::optional<UnitSettings::OscTarget> &t : settings.osc->targets)
            targets.append(t ? QJsonValue(QJsonObject{{"address", t->address}, {"port", t->port}}) : QJsonValue());
        s.insert("osc", QJsonObject{{"localPort", settings.osc->localPort},
                                    {"forward", settings.osc->forward},
                                    {"targets", targets}});
    }
    if (settings.ports)
        s.insert("ports", QJsonObject{{"udp", settings.ports->udp}, {"tcp", settings.ports->tcp}});
    if (settings.offsetFrames)
        s.insert("offset", *settings.offsetFrames);
    const QJsonObject root{{"format", QLatin1String(kFormat)},
                           {"version", kVersion},
                           {"model", model},
                           {"firmware", firmware},
                           {"settings", s}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<UnitSettingsFile> UnitSettingsFile::fromJson(const QByteArray &json, QString *error)
{
    auto refuse = [error](const QString &text) -> std::optional<UnitSettingsFile> {
        if (error)
            *error = text;
        return std::nullopt;
    };
    if (const QString key = firstDuplicateKey(json); !key.isEmpty())
        return refuse(tr("the key \"%1\" appears twice in one object").arg(key));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return refuse(tr("not JSON (%1 at byte %2)").arg(parseError.errorString()).arg(parseError.offset));
    if (!document.isObject())
        return refuse(tr("not a settings file: the document is no JSON object"));
    const QJsonObject root = document.object();
    if (root.value("format").toString() != QLatin1String(kFormat))
        return refuse(tr("not a settings file: \"format\" is not \"%1\"").arg(QLatin1String(kFormat)));
    const QJsonValue version = root.value("version");
    if (!version.isDouble() || version.toDouble() < 1 || std::floor(version.toDouble()) != version.toDouble())
        return refuse(tr("version: must be a whole number from 1"));
    if (version.toDouble() > kVersion)
        return refuse(tr("version %1 is newer than this program reads (%2); use a newer Quill Tool")
                          .arg(version.toDouble())
                          .arg(kVersion));

    Reader r;
    UnitSettingsFile file;
    if (!r.keys(root, QString(), {"format", "version", "model", "firmware", "settings"},
                {"model", "firmware", "settings"}))
        return refuse(r.error());
    file.model = r.string(root.value("model"), "model");
    if (!r.failed() && !kModels.contains(file.model))
        r.fail("model", tr("\"%1\" is none of %2").arg(file.model, kModels.join(QLatin1String(", "))));
    file.firmware = r.string(root.value("firmware"), "firmware");
    const std::optional<QJsonObject> s = r.failed() ? std::nullopt : r.object(root.value("settings"), "settings");
    if (r.failed() || !r.keys(*s, "settings", {"addressing", "osc", "ports", "offset"}, {}))
        return refuse(r.error());
    if (s->contains("addressing")) {
        if (const auto o = r.object(s->value("addressing"), "settings.addressing"))
            file.settings.addressing = readAddressing(r, *o);
    }
    if (!r.failed() && s->contains("osc")) {
        if (const auto o = r.object(s->value("osc"), "settings.osc"))
            file.settings.osc = readOsc(r, *o);
    }
    if (!r.failed() && s->contains("ports")) {
        const auto o = r.object(s->value("ports"), "settings.ports");
        if (o && r.keys(*o, "settings.ports", {"udp", "tcp"}, {"udp", "tcp"}))
            file.settings.ports = UnitSettings::Ports{r.port(o->value("udp"), "settings.ports.udp"),
                                                      r.port(o->value("tcp"), "settings.ports.tcp")};
    }
    if (!r.failed() && s->contains("offset"))
        file.settings.offsetFrames = r.integer(s->value("offset"), "settings.offset",
                                               NetworkMessages::kMinFrameOffset, NetworkMessages::kMaxFrameOffset);
    if (r.failed())
        return refuse(r.error());
    if (file.settings.isEmpty())
        return refuse(tr("settings: holds no setting"));
    const QString problem = file.settings.problem();
    if (!problem.isEmpty())
        return refuse(tr("settings: %1").arg(problem));
    return file;
}

bool UnitSettingsFile::save(const QString &path, QString *error) const
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(toJson()) < 0 || !out.commit()) {
        if (error)
            *error = out.errorString();
        return false;
    }
    return true;
}

std::optional<UnitSettingsFile> UnitSettingsFile::load(const QString &path, QString *error)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = in.errorString();
        return std::nullopt;
    }
    if (in.size() > kMaxFileSize) {
        if (error)
            *error = tr("too large for a settings file (%1 bytes)").arg(in.size());
        return std::nullopt;
    }
    return fromJson(in.read(kMaxFileSize + 1), error);
}
