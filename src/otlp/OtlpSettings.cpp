#include "otlp/OtlpSettings.h"

#include "settings/RegUtils.h"

#include <QHostAddress>
#include <QRandomGenerator>

#include <array>
#include <charconv>

namespace vireo {

OtlpOptions ReadOtlpOptions()
{
    const OtlpOptions defaults;
    OtlpOptions options;
    options.Enabled = ReadRegShort(kOtlpSettingsKey, "Enabled", 0) != 0;
    options.Address = QString::fromStdString(ReadRegString(kOtlpSettingsKey, "Address", defaults.Address.toStdString()));
    const int32_t port = ReadRegInteger(kOtlpSettingsKey, "Port", defaults.Port);
    options.Port = port >= 1 && port <= 65535 ? static_cast<uint16_t>(port) : defaults.Port;
    options.Token = QString::fromStdString(ReadRegString(kOtlpSettingsKey, "Token", ""));
    return options;
}

void WriteOtlpOptions(const OtlpOptions& options)
{
    WithRegBatch([&] {
        WriteRegShort(kOtlpSettingsKey, "Enabled", options.Enabled ? -1 : 0);
        WriteRegString(kOtlpSettingsKey, "Address", options.Address.toStdString());
        WriteRegInteger(kOtlpSettingsKey, "Port", options.Port);
        WriteRegString(kOtlpSettingsKey, "Token", options.Token.toStdString());
    });
}

QString GenerateOtlpToken()
{
    std::array<quint32, 8> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(words.data()), sizeof words).toHex());
}

std::optional<OtlpEndpoint> ParseOtlpEndpoint(std::string_view text)
{
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    std::string_view address = text.substr(0, colon);
    const std::string_view portText = text.substr(colon + 1);
    if (address.size() >= 2 && address.front() == '[' && address.back() == ']')
        address = address.substr(1, address.size() - 2);
    else if (address.find(':') != std::string_view::npos)
        return std::nullopt; // an IPv6 address needs its brackets
    unsigned port = 0;
    const auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (error != std::errc() || end != portText.data() + portText.size() || port < 1 || port > 65535)
        return std::nullopt;
    const QString addressText = QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size()));
    QHostAddress parsed;
    if (addressText.isEmpty() || !parsed.setAddress(addressText))
        return std::nullopt;
    return OtlpEndpoint{addressText, static_cast<uint16_t>(port)};
}

bool IsLoopbackAddress(const QString& address)
{
    return QHostAddress(address).isLoopback();
}

QString OtlpOptionsProblem(const OtlpOptions& options)
{
    if (!options.Enabled || !QHostAddress(options.Address).isNull())
        return {};
    return QStringLiteral("\"%1\" is not an IP address such as 127.0.0.1, 0.0.0.0 or ::1.").arg(options.Address);
}

OtlpOptions WithTokenWhereNeeded(OtlpOptions options)
{
    const QHostAddress address(options.Address);
    if (options.Token.isEmpty() && !address.isNull() && !address.isLoopback())
        options.Token = GenerateOtlpToken();
    return options;
}

std::optional<OtlpStartPlan> PlanOtlpStart(const std::optional<OtlpEndpoint>& commandLine)
{
    OtlpOptions options = ReadOtlpOptions();
    OtlpStartPlan plan;
    if (commandLine) {
        plan.Endpoint = *commandLine;
    } else if (options.Enabled) {
        plan.Endpoint = OtlpEndpoint{options.Address, options.Port};
    } else {
        return std::nullopt;
    }
    if (!IsLoopbackAddress(plan.Endpoint.Address)) {
        if (options.Token.isEmpty()) {
            options.Token = GenerateOtlpToken();
            WriteRegString(kOtlpSettingsKey, "Token", options.Token.toStdString());
            plan.TokenGenerated = true;
        }
        plan.Token = options.Token;
    }
    return plan;
}

} // namespace vireo
