#include "desktop/CInputDevices.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>

namespace
{

QString ReadAttribute(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}

// The kernel writes a capability bitmap as hex words of a C long, the highest
// first, leaving out the zero words above the highest set bit.
std::vector<int> ParseKeyBitmap(const QString &text)
{
    constexpr int kWordBits = int(sizeof(long)) * 8;
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<int> codes;
    for (qsizetype index = 0; index < words.size(); ++index) {
        bool ok = false;
        const qulonglong word = words[words.size() - 1 - index].toULongLong(&ok, 16);
        if (!ok)
            return {};
        for (int bit = 0; bit < kWordBits; ++bit)
            if ((word >> bit) & 1U)
                codes.push_back(int(index) * kWordBits + bit);
    }
    return codes;
}

int NodeNumber(const QString &node)
{
    return node.mid(5).toInt();
}

} // namespace

QString SInputDevice::Id() const
{
    return QString::asprintf("%04x:%04x:", wVendor, wProduct) + strName;
}

QString SInputDevice::Label() const
{
    return strName + QString::asprintf(" (%04x:%04x, ", wVendor, wProduct) + strPath + QLatin1Char(')');
}

CInputDevices::CInputDevices(QString sysDirectory, QString devDirectory)
    : m_strSysDirectory(std::move(sysDirectory)), m_strDevDirectory(std::move(devDirectory))
{
}

QStringList CInputDevices::Entries() const
{
    // The entries are links to folders; System keeps a link whose device is going.
    return QDir(m_strSysDirectory).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

std::vector<SInputDevice> CInputDevices::List() const
{
    QStringList nodes = Entries().filter(QRegularExpression(QStringLiteral("^event[0-9]+$")));
    std::sort(nodes.begin(), nodes.end(),
              [](const QString &a, const QString &b) { return NodeNumber(a) < NodeNumber(b); });
    std::vector<SInputDevice> devices;
    for (const QString &node : nodes)
        if (auto device = Read(node); device && !device->keys.empty())
            devices.push_back(std::move(*device));
    return devices;
}

std::optional<SInputDevice> CInputDevices::Find(const QString &id) const
{
    for (SInputDevice &device : List())
        if (device.Id() == id)
            return std::move(device);
    return std::nullopt;
}

std::optional<SInputDevice> CInputDevices::Read(const QString &node) const
{
    const QString base = m_strSysDirectory + QLatin1Char('/') + node + QStringLiteral("/device/");
    SInputDevice device;
    bool vendorOk = false;
    bool productOk = false;
    device.wVendor = ReadAttribute(base + QStringLiteral("id/vendor")).toUShort(&vendorOk, 16);
    device.wProduct = ReadAttribute(base + QStringLiteral("id/product")).toUShort(&productOk, 16);
    if (!vendorOk || !productOk)
        return std::nullopt; // gone while it was read
    device.strNode = node;
    device.strPath = m_strDevDirectory + QLatin1Char('/') + node;
    device.strName = ReadAttribute(base + QStringLiteral("name"));
    device.keys = ParseKeyBitmap(ReadAttribute(base + QStringLiteral("capabilities/key")));
    return device;
}
