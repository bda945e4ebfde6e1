#pragma once

#include "intake/TraceIntake.h"

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>

namespace vireo {

// The automation contract between instrumented programs and the viewer on the session bus.
namespace VireoX {

inline constexpr const char* BusName = "VireoX.Vireo";           // well-known name of the viewer
inline constexpr const char* ObjectPath = "/Vireo";              // path of the Vireo object
inline constexpr const char* InterfaceName = "VireoX.IVireo";    // interface clients call
inline constexpr const char* AddTraceMethod = "AddTrace";        // posts one message
inline constexpr const char* AddTraceSignature = "ssissssd";     // its eight arguments
inline constexpr const char* AddTracesMethod = "AddTraces";      // posts a batch of messages
inline constexpr const char* AddTracesSignature = "a(ssissssd)"; // AddTrace's arguments per element
inline constexpr const char* ErrorUnexpected = "VireoX.Error.Unexpected"; // a failure inside the intake
inline constexpr const char* LibraryName = "VireoX";             // the library the contract is published as
inline constexpr int LibraryMajorVersion = 1;                    // its version, 1.0
inline constexpr int LibraryMinorVersion = 0;

// The fixed identifiers of the library, the interface and the class.
inline constexpr const char* LibraryId = "{6DED99FA-3B8D-49A4-BBBA-F15E42DCD127}";
inline constexpr const char* InterfaceId = "{9F3530D5-DDF1-49E0-AA41-700FD10ACAAA}";
inline constexpr const char* ClassId = "{C9E789C9-F47D-4BCA-82F7-F97A32B9E77B}";

// The whole interface description document, as registration writes it out.
const QString& InterfaceDescription();

// The <interface> element of the description, as introspection of /Vireo serves it.
const QString& InterfaceElement();

} // namespace VireoX

// One element of an AddTraces batch on the bus, the eight fields in AddTrace's order.
QDBusArgument& operator<<(QDBusArgument& argument, const TraceArguments& trace);
// Reads one element of an AddTraces batch.
const QDBusArgument& operator>>(const QDBusArgument& argument, TraceArguments& trace);

} // namespace vireo

Q_DECLARE_METATYPE(vireo::TraceArguments)
