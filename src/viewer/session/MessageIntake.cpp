#include "viewer/session/MessageIntake.h"

#include <QByteArray>

namespace vireo {

namespace {
std::string_view View(const QByteArray& bytes)
{
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}
} // namespace

MessageIntake::MessageIntake(MessageStore& store, ITimeConventions& timeConventions)
    : store_(store), timeConventions_(timeConventions)
{
}

int MessageIntake::Take(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                        const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                        const QString& UnitFileName, double MessageDateTime)
{
    const QByteArray className = ClassName.toUtf8();
    const QByteArray group = MessageGroup.toUtf8();
    const QByteArray computer = ComputerName.toUtf8();
    const QByteArray id = MessageID.toUtf8();
    const QByteArray unit = UnitFileName.toUtf8();
    const QByteArray text = MessageStr.toUtf8();

    TraceFields fields;
    fields.ClassName = View(className);
    fields.MessageStr = View(text);
    fields.MessageType = MessageType;
    fields.MessageGroup = View(group);
    fields.ComputerName = View(computer);
    fields.MessageID = View(id);
    fields.UnitFileName = View(unit);
    fields.MessageDateTime = MessageDateTime;
    return Take(fields);
}

int MessageIntake::Take(TraceFields fields)
{
    const TimeStampTexts stamp = FormatTimeStamp(fields.MessageDateTime, timeConventions_.Current());
    fields.MessageDate = stamp.Date;
    fields.MessageTime = stamp.Time;
    return store_.Append(fields);
}

} // namespace vireo
