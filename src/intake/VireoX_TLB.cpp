#include "intake/VireoX_TLB.h"

#include <QFile>

static void InitVireoXResource()
{
    // The description is compiled into a static library; its resource needs registering by hand.
    Q_INIT_RESOURCE(VireoX);
}

namespace vireo::VireoX {

const QString& InterfaceDescription()
{
    static const QString text = [] {
        InitVireoXResource();
        QFile file(QStringLiteral(":/vireo/VireoX.xml"));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("The interface description is missing from the program");
        return QString::fromUtf8(file.readAll());
    }();
    return text;
}

const QString& InterfaceElement()
{
    static const QString element = [] {
        const QString& doc = InterfaceDescription();
        const qsizetype from = doc.indexOf(QLatin1String("<interface"));
        const QString close = QStringLiteral("</interface>");
        const qsizetype to = doc.lastIndexOf(close);
        return doc.mid(from, to + close.size() - from) + QLatin1Char('\n');
    }();
    return element;
}

} // namespace vireo::VireoX

namespace vireo {

QDBusArgument& operator<<(QDBusArgument& argument, const TraceArguments& trace)
{
    argument.beginStructure();
    argument << trace.ClassName << trace.MessageStr << trace.MessageType << trace.MessageGroup << trace.ComputerName
             << trace.MessageID << trace.UnitFileName << trace.MessageDateTime;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, TraceArguments& trace)
{
    argument.beginStructure();
    argument >> trace.ClassName >> trace.MessageStr >> trace.MessageType >> trace.MessageGroup >> trace.ComputerName
        >> trace.MessageID >> trace.UnitFileName >> trace.MessageDateTime;
    argument.endStructure();
    return argument;
}

} // namespace vireo
