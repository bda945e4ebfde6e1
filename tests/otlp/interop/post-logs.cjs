// Posts three log records through the OpenTelemetry SDK's OTLP/HTTP exporter to the given
// receiver. Usage: node post-logs.cjs URL json|protobuf [gzip] [TOKEN]. Exits 1 when an export fails.
'use strict';
const { LoggerProvider, BatchLogRecordProcessor } = require('@opentelemetry/sdk-logs');
const { resourceFromAttributes } = require('@opentelemetry/resources');
const { SeverityNumber } = require('@opentelemetry/api-logs');

const [url, protocol, compression, token] = process.argv.slice(2);
const { OTLPLogExporter } = require(protocol === 'protobuf' ? '@opentelemetry/exporter-logs-otlp-proto'
                                                              : '@opentelemetry/exporter-logs-otlp-http');
const exporter = new OTLPLogExporter({
  url,
  compression: compression === 'gzip' ? 'gzip' : 'none',
  headers: token ? { Authorization: `Bearer ${token}` } : {},
});

// Passes every export on and remembers whether one failed.
let failed = false;
const watched = {
  export(records, done) {
    exporter.export(records, (result) => {
      if (result.code !== 0) {
        failed = true;
        console.error('export failed:', result.error && result.error.message);
      }
      done(result);
    });
  },
  shutdown() { return exporter.shutdown(); },
  forceFlush() { return exporter.forceFlush ? exporter.forceFlush() : Promise.resolve(); },
};

const provider = new LoggerProvider({
  resource: resourceFromAttributes({ 'service.name': 'TNodeService', 'host.name': 'node-host' }),
  processors: [new BatchLogRecordProcessor({ exporter: watched })], // one request, records in order
});
const logger = provider.getLogger('scope-a');
logger.emit({
  timestamp: [1700000000, 123456789],
  severityNumber: SeverityNumber.INFO,
  body: 'hello from node',
  attributes: { 'vireo.group': 'interop', 'vireo.message_id': 'UniqueStr_1', 'code.filepath': '/src/Unit1.pas' },
});
logger.emit({ timestamp: [1700000001, 0], severityNumber: SeverityNumber.ERROR2, body: { a: 1, b: [true, 'x'] } });
logger.emit({ timestamp: [1700000002, 0], severityNumber: SeverityNumber.WARN, body: 'warn', attributes: { 'vireo.message_id': 7 } });

provider.forceFlush()
  .then(() => provider.shutdown())
  .then(() => process.exit(failed ? 1 : 0), (error) => { console.error(error); process.exit(1); });
