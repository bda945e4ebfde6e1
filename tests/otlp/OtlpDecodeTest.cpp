#include "OtlpTestSupport.h"
#include "TempRegistry.h"

#include "intake/StartMode.h"
#include "otlp/OtlpDecode.h"
#include "otlp/OtlpSettings.h"
#include "settings/RegUtils.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <zlib.h>

#include <cmath>

namespace vireo {
namespace {

// 2024-03-05 06:07:08.5 in local time, as Unix nanoseconds and as an automation date.
uint64_t LocalNanos(int year, int month, int day, int hour, int minute, int second, int millis)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return static_cast<uint64_t>(std::mktime(&t)) * 1'000'000'000u + static_cast<uint64_t>(millis) * 1'000'000u;
}

TEST(OtlpMapping, SeverityBandsAndLocalTimeStamps)
{
    const std::pair<int64_t, int32_t> bands[] = {{0, 0}, {1, 0}, {8, 0}, {9, 1}, {12, 1}, {13, 2}, {16, 2},
                                                 {17, 3}, {24, 3}, {25, 0}, {-1, 0}};
    for (const auto& [severity, type] : bands)
        EXPECT_EQ(MessageTypeForSeverity(severity), type) << severity;

    // 2024-03-05 is day 45356 after 1899-12-30; the fraction is the local time of day.
    const double date = AutomationDateFromUnixNanos(LocalNanos(2024, 3, 5, 6, 7, 8, 500));
    EXPECT_EQ(std::floor(date), 45356.0);
    EXPECT_NEAR((date - 45356.0) * 86400.0, 6 * 3600 + 7 * 60 + 8.5, 1e-4);
    EXPECT_EQ(RecordUnixNanos(5, 7, 9), 5u);
    EXPECT_EQ(RecordUnixNanos(0, 7, 9), 7u);
    EXPECT_EQ(RecordUnixNanos(0, 0, 9), 9u);
}

TEST(OtlpDecode, ProtobufRecordsMapEveryField)
{
    otlp::ExportLogsServiceRequest request;
    auto* rl = request.add_resource_logs();
    auto* host = rl->mutable_resource()->add_attributes();
    host->set_key("host.name");
    host->mutable_value()->set_string_value("pc7");
    auto* sl = rl->add_scope_logs();
    sl->mutable_scope()->set_name("TScope"); // no service.name: the scope names the class
    auto* r1 = sl->add_log_records();
    const uint64_t when = LocalNanos(2025, 1, 2, 3, 4, 5, 0);
    r1->set_time_unix_nano(when);
    r1->set_observed_time_unix_nano(when + 99'000'000'000u);
    r1->set_severity_number(14);
    r1->mutable_body()->set_string_value("héllo");
    for (const auto& [key, value] : {std::pair{"vireo.group", "net"}, {"vireo.message_id", "UniqueStr_7"},
                                     {"code.file.path", "/new/Unit.pas"}, {"code.filepath", "/p/Unit1.pas"}}) {
        auto* a = r1->add_attributes();
        a->set_key(key);
        a->mutable_value()->set_string_value(value);
    }
    auto* r2 = sl->add_log_records(); // no time: observed time; a structured body: JSON text
    r2->set_observed_time_unix_nano(when);
    r2->set_severity_number(21);
    auto* kv = r2->mutable_body()->mutable_kvlist_value()->add_values();
    kv->set_key("n");
    kv->mutable_value()->mutable_array_value()->add_values()->set_int_value(-3);
    kv->mutable_value()->mutable_array_value()->add_values()->set_bool_value(true);
    auto* id = r2->add_attributes();
    id->set_key("vireo.message_id");
    id->mutable_value()->set_int_value(42);
    sl->add_log_records()->mutable_body()->set_double_value(2.5); // no time at all: arrival

    const std::string bytes = request.SerializeAsString();
    const DecodedLogs decoded = DecodeProtobufLogs(QByteArrayView(bytes.data(), qsizetype(bytes.size())), when + 1);
    ASSERT_TRUE(decoded.Error.isEmpty()) << decoded.Error.toStdString();
    ASSERT_EQ(decoded.Traces.size(), 3u);
    const MappedTrace& t1 = decoded.Traces[0];
    EXPECT_EQ(t1.ClassName, QStringLiteral("TScope"));
    EXPECT_EQ(t1.MessageStr, QStringLiteral("héllo"));
    EXPECT_EQ(t1.MessageType, 2);
    EXPECT_EQ(t1.MessageGroup, QStringLiteral("net"));
    EXPECT_EQ(t1.ComputerName, QStringLiteral("pc7"));
    EXPECT_EQ(t1.MessageID, QStringLiteral("UniqueStr_7"));
    EXPECT_EQ(t1.UnitFileName, QStringLiteral("/p/Unit1.pas"));
    EXPECT_EQ(t1.MessageDateTime, AutomationDateFromUnixNanos(when));
    const MappedTrace& t2 = decoded.Traces[1];
    EXPECT_EQ(t2.MessageStr, QStringLiteral(R"({"n":[-3,true]})"));
    EXPECT_EQ(t2.MessageType, 3);
    EXPECT_EQ(t2.MessageID, QStringLiteral("42"));
    EXPECT_EQ(t2.MessageDateTime, AutomationDateFromUnixNanos(when));
    EXPECT_EQ(decoded.Traces[2].MessageStr, QStringLiteral("2.5"));
    EXPECT_EQ(decoded.Traces[2].MessageDateTime, AutomationDateFromUnixNanos(when + 1));
    EXPECT_EQ(decoded.Traces[2].MessageType, 0);
}

TEST(OtlpDecode, JsonFormMatchesProtobufForm)
{
    const QByteArray json = R"({"resourceLogs":[{"resource":{"attributes":[
        {"key":"service.name","value":{"stringValue":"TSvc"}},{"key":"host.name","value":{"stringValue":"h1"}}]},
      "scopeLogs":[{"scope":{"name":"ignored"},"logRecords":[
        {"timeUnixNano":"1700000000123456789","severityNumber":"SEVERITY_NUMBER_WARN2","body":{"stringValue":"a"},
         "attributes":[{"key":"vireo.group","value":{"stringValue":"g"}},{"key":"code.filepath","value":{"stringValue":"/u.pas"}},
                       {"key":"vireo.message_id","value":{"intValue":"9"}}]},
        {"observed_time_unix_nano":1700000000000000000,"severity_number":10,"body":{"arrayValue":{"values":[{"doubleValue":1.5},{"bytesValue":"AAE="},{}]}}},
        {"body":{"boolValue":false}}]}]}]})";
    const DecodedLogs decoded = DecodeJsonLogs(json, 77);
    ASSERT_TRUE(decoded.Error.isEmpty()) << decoded.Error.toStdString();
    ASSERT_EQ(decoded.Traces.size(), 3u);
    EXPECT_EQ(decoded.Traces[0],
              (MappedTrace{"TSvc", "a", 2, "g", "h1", "9", "/u.pas", AutomationDateFromUnixNanos(1700000000123456789u)}));
    EXPECT_EQ(decoded.Traces[1].MessageStr, QStringLiteral(R"([1.5,"AAE=",null])"));
    EXPECT_EQ(decoded.Traces[1].MessageType, 1);
    EXPECT_EQ(decoded.Traces[1].MessageDateTime, AutomationDateFromUnixNanos(1700000000000000000u));
    EXPECT_EQ(decoded.Traces[2].MessageStr, QStringLiteral("false"));
    EXPECT_EQ(decoded.Traces[2].MessageDateTime, AutomationDateFromUnixNanos(77));

    EXPECT_TRUE(DecodeJsonLogs("{}", 1).Error.isEmpty());
    EXPECT_TRUE(DecodeProtobufLogs({}, 1).Error.isEmpty());
}

TEST(OtlpDecode, MalformedBodiesAreRefusedWhole)
{
    const char* badJson[] = {
        "", "[1]", "{\"resourceLogs\":{}}", "{\"resourceLogs\":[{\"scopeLogs\":[{\"logRecords\":[{\"timeUnixNano\":\"x\"}]}]}]}",
        "{\"resourceLogs\":[{\"scopeLogs\":[{\"logRecords\":[{\"body\":{\"stringValue\":\"ok\"}},{\"severityNumber\":\"LOUD\"}]}]}]}",
        "{\"resourceLogs\":[{\"scopeLogs\":[{\"logRecords\":[{\"body\":{\"stringValue\":5}}]}]}]}",
        "{\"resourceLogs\":[{\"scopeLogs\":[{\"logRecords\":[{\"body\":{\"mystery\":1}}]}]}]}", "{\"resourceLogs\":[",
    };
    for (const char* body : badJson) {
        const DecodedLogs decoded = DecodeJsonLogs(QByteArray(body), 1);
        EXPECT_FALSE(decoded.Error.isEmpty()) << body;
        EXPECT_TRUE(decoded.Traces.empty()) << body;
    }
    std::string truncated = test::ProtobufRequest(10);
    truncated.resize(truncated.size() - 3);
    std::string nested; // AnyValue arrays nested past protobuf's recursion limit
    otlp::AnyValue deep;
    otlp::AnyValue* at = &deep;
    for (int i = 0; i < 200; ++i)
        at = at->mutable_array_value()->add_values();
    otlp::ExportLogsServiceRequest request;
    *request.add_resource_logs()->add_scope_logs()->add_log_records()->mutable_body() = deep;
    nested = request.SerializeAsString();
    for (const std::string& body : {truncated, std::string("\xff\xff\xff\xff garbage"), nested}) {
        const DecodedLogs decoded = DecodeProtobufLogs(QByteArrayView(body.data(), qsizetype(body.size())), 1);
        EXPECT_FALSE(decoded.Error.isEmpty());
        EXPECT_TRUE(decoded.Traces.empty());
    }
}

QByteArray Gzipped(const QByteArray& plain)
{
    z_stream s{};
    deflateInit2(&s, 1, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(static_cast<qsizetype>(deflateBound(&s, static_cast<uLong>(plain.size()))), '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    s.avail_in = static_cast<uInt>(plain.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    deflate(&s, Z_FINISH);
    out.resize(static_cast<qsizetype>(s.total_out));
    deflateEnd(&s);
    return out;
}

TEST(OtlpDecode, GzipIsUnpackedWithinTheLimit)
{
    const QByteArray plain(100'000, 'x');
    QByteArray out;
    EXPECT_EQ(Gunzip(Gzipped(plain) + Gzipped("tail"), 1 << 20, out), GunzipStatus::Ok);
    EXPECT_EQ(out, plain + "tail");
    EXPECT_EQ(Gunzip(Gzipped(QByteArray(50'000'000, '\0')), 1 << 20, out), GunzipStatus::TooLarge);
    EXPECT_TRUE(out.isEmpty());
    QByteArray cut = Gzipped(plain);
    cut.chop(10);
    EXPECT_EQ(Gunzip(cut, 1 << 20, out), GunzipStatus::Malformed);
    EXPECT_EQ(Gunzip("not gzip at all", 1 << 20, out), GunzipStatus::Malformed);
}

TEST(OtlpDecode, RepliesFollowTheProtocol)
{
    EXPECT_TRUE(SuccessBody(OtlpEncoding::Protobuf, {}).isEmpty());
    EXPECT_EQ(SuccessBody(OtlpEncoding::Json, {}), QByteArray("{}"));
    const QByteArray partial = SuccessBody(OtlpEncoding::Protobuf, {2, QStringLiteral("bad time")});
    otlp::ExportLogsServiceResponse response;
    ASSERT_TRUE(response.ParseFromArray(partial.data(), int(partial.size())));
    EXPECT_EQ(response.partial_success().rejected_log_records(), 2);
    EXPECT_EQ(response.partial_success().error_message(), "bad time");
    const QJsonObject json = QJsonDocument::fromJson(SuccessBody(OtlpEncoding::Json, {3, QStringLiteral("x")})).object();
    EXPECT_EQ(json[QStringLiteral("partialSuccess")][QStringLiteral("rejectedLogRecords")].toString(), QStringLiteral("3"));

    test::RecordingIntake intake;
    std::vector<MappedTrace> traces(3);
    traces[1].MessageStr = QStringLiteral("refuse");
    const StoreOutcome outcome = StoreTraces(traces, intake);
    EXPECT_EQ(outcome.Rejected, 1);
    EXPECT_EQ(outcome.FirstError, QStringLiteral("refused by the intake"));
    EXPECT_EQ(intake.Traces.size(), 2u);

    EXPECT_EQ(EncodingOfContentType("application/x-protobuf"), OtlpEncoding::Protobuf);
    EXPECT_EQ(EncodingOfContentType("Application/JSON; charset=utf-8"), OtlpEncoding::Json);
    EXPECT_FALSE(EncodingOfContentType("text/plain").has_value());
}

TEST(OtlpSettings, EndpointsSwitchAndStartPlan)
{
    EXPECT_EQ(ParseOtlpEndpoint("127.0.0.1:4318"), (OtlpEndpoint{"127.0.0.1", 4318}));
    EXPECT_EQ(ParseOtlpEndpoint("[::1]:9"), (OtlpEndpoint{"::1", 9}));
    for (const char* bad : {"4318", "localhost:4318", "1.2.3.4:0", "1.2.3.4:65536", "::1:4318", "1.2.3.4:43x", ":4318"})
        EXPECT_FALSE(ParseOtlpEndpoint(bad).has_value()) << bad;
    EXPECT_TRUE(IsLoopbackAddress("127.1.2.3"));
    EXPECT_FALSE(IsLoopbackAddress("0.0.0.0"));

    EXPECT_EQ(OtlpSwitchValue({"-Automation", "--otlp", "0.0.0.0:1"}), std::optional<std::string>("0.0.0.0:1"));
    EXPECT_EQ(OtlpSwitchValue({"--otlp=1.2.3.4:5"}), std::optional<std::string>("1.2.3.4:5"));
    EXPECT_EQ(OtlpSwitchValue({"--otlp"}), std::optional<std::string>(""));
    EXPECT_FALSE(OtlpSwitchValue({"-Embedding"}).has_value());

    test::HiveFolderScope hive;
    EXPECT_FALSE(PlanOtlpStart(std::nullopt).has_value()); // off by default, defaults stored
    EXPECT_EQ(ReadOtlpOptions(), OtlpOptions{});
    const auto loopback = PlanOtlpStart(OtlpEndpoint{"127.0.0.1", 5000});
    ASSERT_TRUE(loopback.has_value());
    EXPECT_TRUE(loopback->Token.isEmpty());
    const auto open = PlanOtlpStart(OtlpEndpoint{"0.0.0.0", 5000});
    ASSERT_TRUE(open.has_value());
    EXPECT_TRUE(open->TokenGenerated);
    EXPECT_EQ(open->Token.size(), 64);
    EXPECT_EQ(ReadOtlpOptions().Token, open->Token); // kept for the next start
    EXPECT_FALSE(PlanOtlpStart(OtlpEndpoint{"0.0.0.0", 5000})->TokenGenerated);
    WriteOtlpOptions(OtlpOptions{true, "::1", 4444, "t"});
    const auto stored = PlanOtlpStart(std::nullopt);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->Endpoint, (OtlpEndpoint{"::1", 4444}));
}

} // namespace
} // namespace vireo
