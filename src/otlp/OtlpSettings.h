#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>

namespace vireo {

// The registry key (below the Korvel base) holding the receiver's options.
inline constexpr std::string_view kOtlpSettingsKey = "Vireo\\OtlpReceiver";

// The port OTLP/HTTP uses by default.
inline constexpr uint16_t kOtlpDefaultPort = 4318;

// The receiver's stored options, as the options dialog edits them.
struct OtlpOptions {
    bool Enabled = false;                   // start the receiver with the viewer
    QString Address = QStringLiteral("127.0.0.1"); // the address to listen on
    uint16_t Port = kOtlpDefaultPort;       // the port to listen on
    QString Token;                          // the bearer token asked of senders off loopback

    friend bool operator==(const OtlpOptions&, const OtlpOptions&) = default;
};

// Reads the options, storing each missing one with its default; a port out of range reads as
// the default.
OtlpOptions ReadOtlpOptions();

// Stores the options.
void WriteOtlpOptions(const OtlpOptions& options);

// A fresh random bearer token (32 bytes from the system's generator, as 64 hex digits).
QString GenerateOtlpToken();

// Where to listen.
struct OtlpEndpoint {
    QString Address; // an IPv4 or IPv6 address, without brackets
    uint16_t Port = 0;

    friend bool operator==(const OtlpEndpoint&, const OtlpEndpoint&) = default;
};

// Reads "ADDRESS:PORT" ("127.0.0.1:4318", "0.0.0.0:4318", "[::1]:4318"); none when the address
// is not a numeric IP address or the port is not 1 to 65535.
std::optional<OtlpEndpoint> ParseOtlpEndpoint(std::string_view text);

// Whether an address reaches only this machine (127.0.0.0/8, ::1).
bool IsLoopbackAddress(const QString& address);

// Why options edited in the options dialog cannot be kept ("" when they can): an enabled
// receiver needs a numeric IP address.
QString OtlpOptionsProblem(const OtlpOptions& options);

// The options with a fresh token when they listen off loopback and have none yet, so it can be
// shown before senders need it.
OtlpOptions WithTokenWhereNeeded(OtlpOptions options);

// What the program starts, once options and command line are weighed.
struct OtlpStartPlan {
    OtlpEndpoint Endpoint;      // where to listen
    QString Token;              // empty on loopback: no token is asked
    bool TokenGenerated = false; // a new token was made and stored for this start
};

// The receiver to start: the command line's endpoint when given, else the stored one when
// enabled, else none. Off loopback the stored token is used, one being generated and stored
// when there is none.
std::optional<OtlpStartPlan> PlanOtlpStart(const std::optional<OtlpEndpoint>& commandLine);

} // namespace vireo
