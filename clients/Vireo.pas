unit Vireo;

{ Client side of the Vireo trace viewer. The Code Examiner inserts calls of AddDebug into a
  unit; compiled into the program (fpc -Fu<this folder>, links libdbus-1), each call posts one
  message to the viewer on the D-Bus session bus. A missing viewer is started by the
  bus when it is registered there. A failed post never disturbs the program: AddDebug raises
  nothing and only remembers why (VireoLastError).

  AddDebug does not wait for the viewer. It puts the message in a queue (at most 65,536
  messages; a caller finding it full waits for room, nothing is dropped) and a sender thread
  sends what is queued as batches (AddTraces; a message alone goes as AddTrace), up to 128 calls
  on the bus at once, in the order they were queued, each confirmed by the viewer's answer; a
  viewer slow to answer gets fewer messages in flight (see SlowAnswerMs).
  A viewer that is slow to answer is waited for as long as it owns its name. At the program's
  end (and at Halt) the queue is delivered first; when nothing is answered for a few seconds,
  that ends. With no bus or no viewer (no one owns the name, or the connection failed) the
  sender gives the messages up and tries again only after a growing pause (up to 2 s), giving
  up the messages of the pause; VireoLastError then tells why and how many were given up.

  OTLP: with VIREO_OTLP_ENDPOINT set when the program starts (http://HOST[:PORT][/PATH], such as
  http://viewer-host:4318), the messages go to PATH/v1/logs there as OTLP/HTTP JSON instead
  (RemoteComputer is then unused, and no bus is needed): through the same queue and sender
  thread, one request of up to 1,000 messages at a time, in order, on one kept connection, with
  VIREO_OTLP_TOKEN as the bearer token when set. A receiver that asks to wait (429, 502, 503,
  504) gets the same request again after its Retry-After or a growing pause; one that refuses a
  request (400, 401, 413, ...) has its messages given up, and one that rejects some records
  names them in VireoLastError. While connections fail the messages wait; once the endpoint has
  been unreachable for a few seconds they are given up as without a viewer. https is not
  supported: put a TLS proxy on the viewer's side.

  Threads: on Unix a program whose own threads call AddDebug must, as any threaded Free Pascal
  program, name cthreads first in its program's uses clause (Lazarus: define UseCThreads).
  Without cthreads the unit still works, without the sender thread, and a call costs about as
  much: the calling thread queues the message and, once what it sent before is answered, sends
  what is queued as one batch (one request over HTTP) without waiting for the answer; later
  calls look whether it has come. It waits only when the queue is full (over HTTP, when a
  request's worth is queued), until the answer comes.

  Fork: a child starts with an empty queue and a connection of its own; what was queued before
  the fork is delivered by the parent alone. The child closes its copy of the parent's socket
  only while that descriptor is still the socket, so a daemon that closed its inherited
  descriptors and opened its own files keeps them. With cthreads, a child forked while the
  sender thread was inside libdbus may find one of libdbus's own locks taken for good: its
  sender then gives up within a few seconds and VireoLastError says so. Fork before the first
  AddDebug, or exec in the child, is always safe. }

{$mode objfpc}{$H+}

interface

uses
  System.UITypes;

const
  { The viewer's four message types: general, information, warning and error. Their type, and
    the names mtWarning and mtError, are those of the message dialogs in System.UITypes
    (TMsgDlgType), which the LCL's Dialogs (and Delphi's) declare again under the same names
    with the same values. So in a unit that uses Dialogs and Vireo, in either order,
    MessageDlg(..., mtWarning, ...) still compiles, and so do the inserted AddDebug calls. The
    unit declares no type of its own: coming last in a uses clause, it would hide a type of
    that name from the units before it (AdvancedIPC and SimpleIPC declare TMessageType). }
  mtGeneral = System.UITypes.TMsgDlgType.mtCustom;
  mtInfo = System.UITypes.TMsgDlgType.mtInformation;
  mtWarning = System.UITypes.TMsgDlgType.mtWarning;
  mtError = System.UITypes.TMsgDlgType.mtError;

const
  { The sender in plain procedures and functions, which have no Self of their own, so that calls
    inserted there compile and post with no class name. Inside methods their Self hides this. }
  Self = nil;

{ Posts one message: the sender's class name (empty for nil), the text, its type, a group name,
  the message ID that stands on the sending line, the sending unit's path. RemoteComputer, when
  not empty, is the D-Bus address (as in DBUS_SESSION_BUS_ADDRESS, such as
  tcp:host=buildhost,port=5555) of the bus the viewer serves on, used instead of the session
  bus. This computer's host name and the current local time go with the message. }
procedure AddDebug(Sender: TObject; const Msg: string; MsgType: System.UITypes.TMsgDlgType;
  const Group, MsgID, UnitFile, RemoteComputer: string); overload;

{ The same for Self inside a class method, where Self is a class reference. }
procedure AddDebug(Sender: TClass; const Msg: string; MsgType: System.UITypes.TMsgDlgType;
  const Group, MsgID, UnitFile, RemoteComputer: string); overload;

{ The same for a literal nil sender (and the Self of plain routines): no class name. }
procedure AddDebug(Sender: Pointer; const Msg: string; MsgType: System.UITypes.TMsgDlgType;
  const Group, MsgID, UnitFile, RemoteComputer: string); overload;

{ The same for Self inside a method of an advanced record, an old-style object or a type helper,
  which is a value rather than a class instance: no class name. }
procedure AddDebug(const Sender; const Msg: string; MsgType: System.UITypes.TMsgDlgType;
  const Group, MsgID, UnitFile, RemoteComputer: string); overload;

{ Why the last AddDebug of the process failed; empty when it was delivered. It first waits (a few
  seconds at most) until the messages posted before it have been answered. }
function VireoLastError: string;

implementation

uses
  SysUtils, Math, BaseUnix, Unix, Sockets, dbus;

type
  { Kind of a message, under a name the interface leaves free. }
  TMessageType = System.UITypes.TMsgDlgType;

const
  ViewerBusName = 'VireoX.Vireo';
  ViewerObjectPath = '/Vireo';
  ViewerInterface = 'VireoX.IVireo';
  ViewerMethod = 'AddTrace';
  ViewerBatchMethod = 'AddTraces';
  { One element of an AddTraces batch: AddTrace's eight arguments. }
  ElementSignature = '(ssissssd)';
  ClockRealtime = 0;
  ClockMonotonic = 1;
  WipeOnFork = 18;
  { After this long without an answer the sender asks the bus whether the viewer still owns its
    name: while it does, a slow answer is no failure and the messages wait. }
  OwnerCheckMs = 3000;
  { Calls on the bus at once, unanswered. The session bus allows far more per connection. }
  Window = 128;
  { A call carries the messages queued, as one batch of at most this many messages or about this
    many bytes of text: far below the bus's limit on one message. }
  BatchMessages = 1024;
  BatchBytes = 1024 * 1024;
  { With this many calls unanswered, the queue is sent only once it fills a batch: a busy viewer
    gets few large batches rather than many small ones, an idle one each message at once. }
  EagerCalls = 2;
  { A busy viewer answers its callers in turn, so what one program keeps in flight delays every
    other program's calls. The messages in flight are held to what the viewer answers within
    SlowAnswerMs: halved (at most once per that time) when an answer took longer, grown by an
    eighth of each batch answered sooner, never below LeastInFlight nor above MostInFlight. }
  SlowAnswerMs = 15;
  LeastInFlight = 32;
  MostInFlight = 8 * BatchMessages;
  { Messages the queue holds at most; it starts small and grows to this under a burst. }
  MaxQueued = 65536;
  FirstQueueSize = 256;
  { How long the sender waits for an answer before it looks at the queue again. }
  PollMs = 2;
  { A calling thread that sends for itself looks for answers, and sends, at most this often: a
    look is a system call, which costs several times as much as queuing a message, and so is
    giving up a message while there is no viewer. }
  LookEveryMicros = 100;
  { The end of the program, and VireoLastError, wait for the queue at most this long without
    any message being answered. }
  DrainQuietMs = 4000;
  { A caller finding the queue full gives its message up when the sender has not come back from
    libdbus for this long. Only a fork can do that: one that happened while the sender thread
    held one of libdbus's own locks leaves that lock taken for good in the child. }
  SenderStuckMs = 2000;
  { Pauses after a failed connection or a missing viewer, doubling up to the longest. }
  FirstBackoffMs = 100;
  LongestBackoffMs = 2000;
  { Bus errors that say no viewer is there to answer. }
  NoViewerErrors: array[0..1] of string = (
    'org.freedesktop.DBus.Error.ServiceUnknown', 'org.freedesktop.DBus.Error.NameHasNoOwner');
  { The bus's answer for a viewer that left the bus without answering. }
  ViewerLeftError = 'org.freedesktop.DBus.Error.NoReply';
  { The viewer's message type number of each message type; a confirmation counts as general. }
  TypeNumbers: array[TMessageType] of LongInt = (
    2 { mtWarning }, 3 { mtError }, 1 { mtInformation }, 0 { mtConfirmation }, 0 { mtCustom });

type
  { One queued message, as the caller gave it and when. }
  TTrace = record
    SenderClass: TClass;
    Msg, Group, MsgID, UnitFile, Address: string;
    MsgType: TMessageType;
    Stamp: TDateTime;
    { The same moment in UTC, in nanoseconds since 1970 (for OTLP). }
    UnixNanos: Int64;
  end;

  { One call on the bus awaiting its answer, and how many messages it carries. }
  TCallInFlight = record
    Serial: dbus_uint32_t;
    Count: Integer;
    { Answered by the bus, not the viewer: no viewer took the messages. }
    Lost: Boolean;
    { When it was sent, or when the viewer was last found to own its name since. }
    WaitingSince: QWord;
    SentAt: QWord;
    Answered: Boolean;
    Error: string;
  end;

var
  { Guards the queue, the counters, LastError and the sender's state flags. }
  Lock: TRTLCriticalSection;
  { Set for the sender when it idles, for callers waiting for room, for waiters of a drain. }
  WorkEvent, RoomEvent, SettledEvent: PRTLEvent;
  Queue: array of TTrace;
  QueueHead: Integer = 0;
  Queued: Integer = 0;
  { Messages queued and messages answered (or given up) since the process began. }
  Posted: QWord = 0;
  Settled: QWord = 0;
  { Messages given up unsent or unconfirmed because no viewer was there or the bus failed. }
  GivenUp: QWord = 0;
  RoomWaiters: Integer = 0;
  SettledWaiters: Integer = 0;
  SenderIdle: Boolean = False;
  Stopping: Boolean = False;
  Finished: Boolean = False;
  LastError: string = '';
  { Whether a sender thread may be used (a thread manager such as cthreads is present), and it. }
  Threaded: Boolean = False;
  SenderRunning: Boolean = False;
  Sender: TThreadID;
  { The process these belong to; a forked child starts afresh. }
  OwnerPid: TPid = 0;
  ClaimedPid: LongInt = 0;
  { A mark in memory the kernel clears in a forked child (nil when it cannot), so that the
    process need not ask for its id on each call. }
  ForkMark: PLongInt = nil;
  { The second of the last look at the time zone, and its offset from UTC then in seconds. }
  OffsetSecond: Int64 = -1;
  ZoneOffset: Int64 = 0;
  { When the sender last showed it is alive; see SenderStuckMs. }
  SenderBeat: QWord = 0;
  SenderEnded: Boolean = False;

  { The sender's own: one connection, the address it was opened for ('' = the session bus),
    its socket (over OTLP the HTTP connection's alone), the calls in flight (a ring), and the
    pause after a failure. }
  Connection: PDBusConnection = nil;
  ConnectionAddress: string = '';
  ConnectionFd: cint = -1;
  { The socket's device and inode: a forked child closes that number only while it is still
    this socket, not a file of the child's own that took its number. }
  ConnectionDevice: QWord = 0;
  ConnectionInode: QWord = 0;
  InFlight: array[0..Window - 1] of TCallInFlight;
  { Messages taken from the queue to be sent. }
  Taken: array[0..BatchMessages - 1] of TTrace;
  InFlightHead: Integer = 0;
  InFlightCount: Integer = 0;
  { Messages in the calls in flight, the most allowed (see SlowAnswerMs), and the last cut. }
  InFlightMessages: Integer = 0;
  Allowance: Integer = 2 * BatchMessages;
  LastCut: QWord = 0;
  BackoffUntil: QWord = 0;
  BackoffMs: QWord = 0;
  BackoffReason: string = '';
  HostName: string = '';
  HostNameKnown: Boolean = False;
  { When a calling thread that sends for itself last looked for answers (see LookEveryMicros). }
  LastLook: QWord = 0;

{ Byte length of the well-formed UTF-8 sequence at S[I], or 0 when it is not one (overlong
  forms, surrogates and code points past U+10FFFF are not). }
function Utf8SequenceLength(const S: RawByteString; I: Integer): Integer;
var
  Lead, Need, K: Integer;
  Low, High: Byte;
begin
  Lead := Ord(S[I]);
  Low := $80;
  High := $BF;
  case Lead of
    $00..$7F: Exit(1);
    $C2..$DF: Need := 1;
    $E0: begin Need := 2; Low := $A0; end;
    $E1..$EC, $EE..$EF: Need := 2;
    $ED: begin Need := 2; High := $9F; end;
    $F0: begin Need := 3; Low := $90; end;
    $F1..$F3: Need := 3;
    $F4: begin Need := 3; High := $8F; end;
  else
    Exit(0);
  end;
  if I + Need > Length(S) then
    Exit(0);
  if (Ord(S[I + 1]) < Low) or (Ord(S[I + 1]) > High) then
    Exit(0);
  for K := 2 to Need do
    if (Ord(S[I + K]) and $C0) <> $80 then
      Exit(0);
  Result := Need + 1;
end;

{ The text as the bus requires it: well-formed UTF-8 is kept; a stray byte, as from a unit saved
  in an 8-bit code page, is read as Latin-1. libdbus aborts the process on text that is not UTF-8. }
function Utf8Text(const S: RawByteString): RawByteString;
var
  I, N: Integer;
begin
  I := 1;
  while (I <= Length(S)) and (Utf8SequenceLength(S, I) > 0) do
    Inc(I, Utf8SequenceLength(S, I));
  if I > Length(S) then
    Exit(S);
  Result := Copy(S, 1, I - 1);
  while I <= Length(S) do
  begin
    N := Utf8SequenceLength(S, I);
    if N > 0 then
    begin
      Result := Result + Copy(S, I, N);
      Inc(I, N);
    end
    else
    begin
      Result := Result + Chr($C0 or (Ord(S[I]) shr 6)) + Chr($80 or (Ord(S[I]) and $3F));
      Inc(I);
    end;
  end;
  SetCodePage(Result, CP_UTF8, False);
end;

function ErrorText(const Error: DBusError; const Fallback: string): string;
begin
  if dbus_error_is_set(@Error) <> 0 then
    Result := StrPas(Error.message)
  else
    Result := Fallback;
end;

procedure CloseConnection;
begin
  if Connection = nil then
    Exit;
  dbus_connection_close(Connection);
  dbus_connection_unref(Connection);
  Connection := nil;
  ConnectionFd := -1;
end;

{ Notes which socket ConnectionFd is. }
procedure RememberSocket;
var
  Info: Stat;
begin
  if FpFStat(ConnectionFd, Info) = 0 then
  begin
    ConnectionDevice := Info.st_dev;
    ConnectionInode := Info.st_ino;
  end
  else
    ConnectionFd := -1;
end;

{ Whether descriptor Fd is still the socket RememberSocket saw. }
function StillOurSocket(Fd: cint): Boolean;
var
  Info: Stat;
begin
  Result := (Fd >= 0) and (FpFStat(Fd, Info) = 0) and fpS_ISSOCK(Info.st_mode)
    and (Info.st_dev = ConnectionDevice) and (Info.st_ino = ConnectionInode);
end;

{ A private connection to the session bus, or to the bus at Address. }
function OpenConnection(const Address: string; var Error: DBusError): PDBusConnection;
begin
  if Address = '' then
    Result := dbus_bus_get_private(DBUS_BUS_SESSION, @Error)
  else
  begin
    Result := dbus_connection_open_private(PChar(Address), @Error);
    if (Result <> nil) and (dbus_bus_register(Result, @Error) = 0) then
    begin
      dbus_connection_close(Result);
      dbus_connection_unref(Result);
      Result := nil;
    end;
  end;
  { libdbus ends the whole process when a bus connection drops, unless told otherwise. }
  if Result <> nil then
    dbus_connection_set_exit_on_disconnect(Result, 0);
end;

function ThisHostName: string;
begin
  if not HostNameKnown then
  begin
    HostName := GetHostName;
    HostNameKnown := True;
  end;
  Result := HostName;
end;

function AppendText(var Iter: DBusMessageIter; const Text: string): Boolean;
var
  Utf8: RawByteString;
  P: PChar;
begin
  Utf8 := Utf8Text(Text);
  P := PChar(Utf8);
  Result := dbus_message_iter_append_basic(@Iter, DBUS_TYPE_STRING, @P) <> 0;
end;

{ Appends AddTrace's eight arguments for one message; false when memory ran out. }
function AppendTrace(var Iter: DBusMessageIter; const Trace: TTrace): Boolean;
var
  TypeNumber: LongInt;
  Stamp: Double;
  SenderClass: string;
begin
  SenderClass := '';
  if Trace.SenderClass <> nil then
    SenderClass := Trace.SenderClass.ClassName;
  TypeNumber := TypeNumbers[Trace.MsgType];
  Stamp := Trace.Stamp;
  Result := AppendText(Iter, SenderClass) and AppendText(Iter, Trace.Msg)
    and (dbus_message_iter_append_basic(@Iter, DBUS_TYPE_INT32, @TypeNumber) <> 0)
    and AppendText(Iter, Trace.Group) and AppendText(Iter, ThisHostName)
    and AppendText(Iter, Trace.MsgID) and AppendText(Iter, Trace.UnitFile)
    and (dbus_message_iter_append_basic(@Iter, DBUS_TYPE_DOUBLE, @Stamp) <> 0);
end;

{ The call for Count messages of Traces from First: AddTrace for one, else AddTraces; nil when
  memory ran out. }
function NewCall(const Traces: array of TTrace; First, Count: Integer): PDBusMessage;
var
  Iter, Elements, Element: DBusMessageIter;
  Complete: Boolean;
  I: Integer;
begin
  if Count = 1 then
    Result := dbus_message_new_method_call(ViewerBusName, ViewerObjectPath, ViewerInterface, ViewerMethod)
  else
    Result := dbus_message_new_method_call(ViewerBusName, ViewerObjectPath, ViewerInterface, ViewerBatchMethod);
  if Result = nil then
    Exit;
  dbus_message_iter_init_append(Result, @Iter);
  if Count = 1 then
    Complete := AppendTrace(Iter, Traces[First])
  else
  begin
    Complete := dbus_message_iter_open_container(@Iter, DBUS_TYPE_ARRAY, ElementSignature, @Elements) <> 0;
    I := First;
    while Complete and (I < First + Count) do
    begin
      Complete := (dbus_message_iter_open_container(@Elements, DBUS_TYPE_STRUCT, nil, @Element) <> 0)
        and AppendTrace(Element, Traces[I])
        and (dbus_message_iter_close_container(@Elements, @Element) <> 0);
      Inc(I);
    end;
    Complete := Complete and (dbus_message_iter_close_container(@Iter, @Elements) <> 0);
  end;
  if not Complete then
  begin
    dbus_message_unref(Result);
    Result := nil;
  end;
end;

{ --- Clocks: the Free Pascal run-time library asks the kernel each time, libc does not --- }

type
  { The C library's struct tm (glibc), for the zone's offset. }
  {$packrecords c}
  TCalendarTime = record
    Second, Minute, Hour, Day, Month, Year, WeekDay, YearDay, IsDaylight: cint;
    GmtOffset: clong;
    ZoneName: PChar;
  end;
  {$packrecords default}

function clock_gettime(Clock: cint; Time: ptimespec): cint; cdecl; external 'c';
function localtime_r(Time: ptime_t; Fields: Pointer): Pointer; cdecl; external 'c';
function madvise(Address: Pointer; Length: csize_t; Advice: cint): cint; cdecl; external 'c';

{ Microseconds on a clock that never steps back. }
function Micros: QWord;
var
  Time: timespec;
begin
  clock_gettime(ClockMonotonic, @Time);
  Result := QWord(Time.tv_sec) * 1000000 + QWord(Time.tv_nsec) div 1000;
end;

{ Milliseconds on the same clock. }
function Ticks: QWord;
begin
  Result := Micros div 1000;
end;

{ The local time of this moment, to the microsecond, and the same moment in UTC (UnixNanos). The
  C library gives the zone's offset for the second (the run-time library fixes it at the
  program's start, so a daylight-saving change would be missed); it is asked again whenever the
  second changes (under Lock). }
function LocalNow(out UnixNanos: Int64): TDateTime;
var
  Time: timespec;
  Seconds: time_t;
  Fields: TCalendarTime;
  Micros: Int64;
begin
  clock_gettime(ClockRealtime, @Time);
  UnixNanos := Int64(Time.tv_sec) * 1000000000 + Time.tv_nsec;
  if Time.tv_sec <> OffsetSecond then
  begin
    Seconds := Time.tv_sec;
    if localtime_r(@Seconds, @Fields) <> nil then
      ZoneOffset := Fields.GmtOffset
    else
      ZoneOffset := 0;
    OffsetSecond := Time.tv_sec;
  end;
  Micros := (Int64(Time.tv_sec) + ZoneOffset) * 1000000 + Int64(Time.tv_nsec) div 1000;
  Result := UnixDateDelta + Double(Micros) / (Double(SecsPerDay) * 1000000);
end;

{ --- The queue, shared by the callers and the sender (under Lock) --- }

procedure GrowQueue;
var
  Bigger: array of TTrace;
  I: Integer;
begin
  SetLength(Bigger, 2 * Length(Queue));
  for I := 0 to Queued - 1 do
    Bigger[I] := Queue[(QueueHead + I) and High(Queue)];
  Queue := Bigger;
  QueueHead := 0;
end;

{ Takes up to Wanted messages from the head of the queue; returns how many. }
function TakeQueued(var Taken: array of TTrace; Wanted: Integer): Integer;
var
  Blank: TTrace;
begin
  Blank := Default(TTrace);
  EnterCriticalSection(Lock);
  try
    Result := 0;
    while (Result < Wanted) and (Queued > 0) do
    begin
      Taken[Result] := Queue[QueueHead];
      Queue[QueueHead] := Blank;
      QueueHead := (QueueHead + 1) and High(Queue);
      Dec(Queued);
      Inc(Result);
    end;
    if (Result > 0) and (RoomWaiters > 0) then
      RTLEventSetEvent(RoomEvent);
  finally
    LeaveCriticalSection(Lock);
  end;
end;

{ Counts messages as done, the last of them leaving its outcome ('' = delivered). }
procedure SettleMessages(Count: Integer; const Outcome: string);
begin
  if Count = 0 then
    Exit;
  EnterCriticalSection(Lock);
  try
    Inc(Settled, Count);
    LastError := Outcome;
    if SettledWaiters > 0 then
      RTLEventSetEvent(SettledEvent);
  finally
    LeaveCriticalSection(Lock);
  end;
end;

{ Counts messages as given up for Reason; the last error says how many were given up so far. }
procedure GiveUpMessages(Count: Integer; const Reason: string);
begin
  if Count = 0 then
    Exit;
  EnterCriticalSection(Lock);
  Inc(GivenUp, Count);
  LeaveCriticalSection(Lock);
  SettleMessages(Count, Format('%s (%d message(s) given up)', [Reason, GivenUp]));
end;

{ --- The sender: its connection and the calls in flight --- }

{ Starts a pause after a failure (one pause for the failures of one round), longer each time
  until a message is delivered again. }
procedure BackOff(const Reason: string);
begin
  if Ticks < BackoffUntil then
    Exit;
  BackoffMs := BackoffMs * 2;
  if BackoffMs < FirstBackoffMs then
    BackoffMs := FirstBackoffMs;
  if BackoffMs > LongestBackoffMs then
    BackoffMs := LongestBackoffMs;
  BackoffUntil := Ticks + BackoffMs;
  BackoffReason := Reason;
end;

{ Adapts the messages allowed in flight to how long an answer for Count messages took. }
procedure FollowAnswerTime(Took: QWord; Count: Integer);
begin
  if Took > SlowAnswerMs then
  begin
    if Ticks - LastCut > SlowAnswerMs then
    begin
      Allowance := Max(LeastInFlight, Allowance div 2);
      LastCut := Ticks;
    end;
  end
  else
    Allowance := Min(MostInFlight, Allowance + Max(1, Count div 8));
end;

{ Settles the answered calls at the head of the window, in the order they were sent; messages
  the viewer confirmed or refused one run at a time, those no viewer took as given up. }
procedure SettleAnswered;
var
  Count: Integer;
  Outcome: string;
begin
  Count := 0;
  Outcome := '';
  while (InFlightCount > 0) and InFlight[InFlightHead].Answered do
  begin
    Dec(InFlightMessages, InFlight[InFlightHead].Count);
    if InFlight[InFlightHead].Lost then
    begin
      SettleMessages(Count, Outcome);
      Count := 0;
      GiveUpMessages(InFlight[InFlightHead].Count, InFlight[InFlightHead].Error);
    end
    else
    begin
      Outcome := InFlight[InFlightHead].Error;
      Inc(Count, InFlight[InFlightHead].Count);
      FollowAnswerTime(Ticks - InFlight[InFlightHead].SentAt, InFlight[InFlightHead].Count);
    end;
    InFlight[InFlightHead].Error := '';
    InFlightHead := (InFlightHead + 1) mod Window;
    Dec(InFlightCount);
  end;
  SettleMessages(Count, Outcome);
end;

{ Gives up every call in flight: it may still arrive, but no answer will say so. }
procedure AbandonInFlight(const Reason: string);
var
  Abandoned: Integer;
begin
  SettleAnswered;
  Abandoned := 0;
  while InFlightCount > 0 do
  begin
    Inc(Abandoned, InFlight[InFlightHead].Count);
    InFlight[InFlightHead].Error := '';
    InFlightHead := (InFlightHead + 1) mod Window;
    Dec(InFlightCount);
  end;
  InFlightMessages := 0;
  GiveUpMessages(Abandoned, Reason);
end;

{ Notes the answer to a call; Lost when the bus answered that no viewer took it. }
procedure MarkAnswered(Serial: dbus_uint32_t; const Error: string; Lost: Boolean);
var
  I, At: Integer;
begin
  for I := 0 to InFlightCount - 1 do
  begin
    At := (InFlightHead + I) mod Window;
    if InFlight[At].Serial = Serial then
    begin
      InFlight[At].Answered := True;
      InFlight[At].Error := Error;
      InFlight[At].Lost := Lost;
      Exit;
    end;
  end;
end;

procedure DropConnection(const Reason: string);
begin
  AbandonInFlight(Reason);
  CloseConnection;
  BackOff(Reason);
end;

{ Takes the answers libdbus has read; returns how many messages came. }
function PopAnswers: Integer;
var
  Answer: PDBusMessage;
  Error: DBusError;
  Name: string;
  Lost: Boolean;
  I: Integer;
begin
  Result := 0;
  repeat
    Answer := dbus_connection_pop_message(Connection);
    if Answer = nil then
      Break;
    Inc(Result);
    case dbus_message_get_type(Answer) of
      DBUS_MESSAGE_TYPE_METHOD_RETURN:
      begin
        MarkAnswered(dbus_message_get_reply_serial(Answer), '', False);
        BackoffMs := 0;
      end;
      DBUS_MESSAGE_TYPE_ERROR:
      begin
        dbus_error_init(@Error);
        dbus_set_error_from_message(@Error, Answer);
        Name := StrPas(dbus_message_get_error_name(Answer));
        Lost := Name = ViewerLeftError;
        for I := Low(NoViewerErrors) to High(NoViewerErrors) do
          if Name = NoViewerErrors[I] then
          begin
            Lost := True;
            BackOff(ErrorText(Error, 'No viewer'));
          end;
        MarkAnswered(dbus_message_get_reply_serial(Answer), ErrorText(Error, 'The viewer failed'), Lost);
        dbus_error_free(@Error);
      end;
    end;
    dbus_message_unref(Answer);
  until False;
end;

{ Waits up to WaitMs for the socket to be ready for Events; false when it is not. }
function AwaitReady(Events: Integer; WaitMs: Integer): Boolean;
var
  Poll: pollfd;
begin
  Poll.fd := ConnectionFd;
  Poll.events := Events;
  Poll.revents := 0;
  Result := fpPoll(@Poll, 1, WaitMs) > 0;
end;

{ Waits up to WaitMs for the bus socket to have answers, or room for what is still to be
  written; false when it has neither. The wait is outside libdbus, so that a fork meanwhile
  finds libdbus idle. }
function AwaitSocket(WaitMs: Integer): Boolean;
var
  Events: Integer;
begin
  Events := POLLIN;
  if dbus_connection_has_messages_to_send(Connection) <> 0 then
    Events := Events or POLLOUT;
  Result := AwaitReady(Events, WaitMs);
end;

{ The oldest call has waited long: while the viewer owns its name the calls go on waiting;
  when no one owns it, or the bus does not answer, they are given up. }
procedure CheckViewerOwnsName;
var
  Error: DBusError;
  Owned: Boolean;
  Reason: string;
  I: Integer;
begin
  dbus_error_init(@Error);
  Owned := dbus_bus_name_has_owner(Connection, ViewerBusName, @Error) <> 0;
  Reason := ErrorText(Error, 'No viewer owns the name ' + ViewerBusName + ' any longer');
  dbus_error_free(@Error);
  SenderBeat := Ticks;
  if Owned then
  begin
    for I := 0 to InFlightCount - 1 do
      InFlight[(InFlightHead + I) mod Window].WaitingSince := Ticks;
    Exit;
  end;
  { Answers that came meanwhile count; only the calls still unanswered are given up. }
  PopAnswers;
  AbandonInFlight(Reason);
  BackOff(Reason);
end;

{ Takes in the answers that have come, waiting up to WaitMs for the first; while the viewer owns
  its name, a slow answer is awaited. }
procedure CollectAnswers(WaitMs: Integer);
var
  Alive: Boolean;
  Rounds: Integer;
begin
  if Connection = nil then
  begin
    AbandonInFlight('The connection to the bus was closed');
    Exit;
  end;
  if (WaitMs > 0) and (ConnectionFd >= 0) then
  begin
    AwaitSocket(WaitMs);
    WaitMs := 0;
  end;
  { libdbus reads a little at a time; a full window of answers takes a few reads. }
  Rounds := 0;
  repeat
    Alive := (dbus_connection_read_write(Connection, WaitMs) <> 0)
      and (dbus_connection_get_is_connected(Connection) <> 0);
    WaitMs := 0;
    Inc(Rounds);
  until not Alive or (PopAnswers = 0) or (Rounds = 16);
  SenderBeat := Ticks;
  if not Alive then
  begin
    DropConnection('The connection to the bus was lost');
    Exit;
  end;
  SettleAnswered;
  if (InFlightCount > 0) and (Ticks - InFlight[InFlightHead].WaitingSince > OwnerCheckMs) then
    CheckViewerOwnsName;
end;

{ Whether the calling thread, sending for itself, has something to take in from the bus: answers
  read or to be read, a call not yet written whole, or an answer awaited long enough for the
  viewer's name to be checked. A look costs one poll, a round of libdbus's reading several
  times as much. }
function BusHasNews: Boolean;
begin
  Result := (InFlightCount > 0) and ((Connection = nil) or (ConnectionFd < 0)
    or (dbus_connection_get_dispatch_status(Connection) = DBUS_DISPATCH_DATA_REMAINS)
    or AwaitSocket(0) or (Ticks - InFlight[InFlightHead].WaitingSince > OwnerCheckMs));
end;

{ Settles every call in flight, waiting for their answers. }
procedure AwaitInFlight;
begin
  while InFlightCount > 0 do
    CollectAnswers(PollMs);
end;

{ The connection for Address: the kept one, or a new one once the pause after a failure is
  over; nil (with the reason) when there is none. }
function ConnectionFor(const Address: string; out Reason: string): PDBusConnection;
var
  Error: DBusError;
begin
  Result := nil;
  if (Connection <> nil) and (Address <> ConnectionAddress) then
  begin
    AwaitInFlight;
    CloseConnection;
  end;
  if Connection = nil then
  begin
    if Ticks < BackoffUntil then
    begin
      Reason := BackoffReason;
      Exit;
    end;
    dbus_error_init(@Error);
    Connection := OpenConnection(Address, Error);
    ConnectionAddress := Address;
    if Connection = nil then
      Reason := ErrorText(Error, 'No connection to the bus')
    else if dbus_connection_get_unix_fd(Connection, @ConnectionFd) = 0 then
      ConnectionFd := -1
    else
      RememberSocket;
    dbus_error_free(@Error);
    if Connection = nil then
      BackOff(Reason);
  end;
  Result := Connection;
end;

{ Sends Count taken messages from First (all for one address) in one call, waiting for room in
  the window first; gives them up while there is no viewer to send them to. }
procedure SendBatch(First, Count: Integer);
var
  Bus: PDBusConnection;
  Call: PDBusMessage;
  Reason: string;
  Serial: dbus_uint32_t;
  At: Integer;
begin
  while InFlightCount = Window do
    CollectAnswers(PollMs);
  Bus := ConnectionFor(Taken[First].Address, Reason);
  if Bus <> nil then
  begin
    if Ticks < BackoffUntil then
      Reason := BackoffReason
    else
    begin
      Reason := 'Out of memory';
      Call := NewCall(Taken, First, Count);
      if Call <> nil then
      begin
        if dbus_connection_send(Bus, Call, @Serial) <> 0 then
        begin
          At := (InFlightHead + InFlightCount) mod Window;
          InFlight[At].Serial := Serial;
          InFlight[At].Count := Count;
          InFlight[At].WaitingSince := Ticks;
          InFlight[At].SentAt := Ticks;
          InFlight[At].Answered := False;
          InFlight[At].Lost := False;
          InFlight[At].Error := '';
          Inc(InFlightCount);
          Inc(InFlightMessages, Count);
          Reason := '';
        end;
        dbus_message_unref(Call);
      end;
    end;
  end;
  if Reason <> '' then
  begin
    AwaitInFlight;
    GiveUpMessages(Count, Reason);
  end;
end;

{ The bytes of text a message adds to a call. }
function TextBytes(const Trace: TTrace): Integer;
begin
  Result := Length(Trace.Msg) + Length(Trace.Group) + Length(Trace.MsgID) + Length(Trace.UnitFile) + 64;
end;

{ Messages that may still go in flight. }
function Room: Integer;
begin
  Result := Min(BatchMessages, Allowance - InFlightMessages);
end;

{ Whether the queue is to be sent now: few calls are unanswered, or it fills a batch. }
function BatchDue: Boolean;
begin
  Result := (InFlightCount < EagerCalls) or (Queued >= Room);
end;

{ Sends what is queued as batches (each for one address and bounded in size) while the window
  and the messages allowed in flight have room; a partial batch waits while calls are unanswered
  (see EagerCalls). A calling thread that sends for itself (ByCaller) sends only once every call
  is answered, so that it never waits for one. Returns whether any were sent. }
function SendQueued(ByCaller: Boolean): Boolean;
var
  Count, First, Next, Bytes, I: Integer;
begin
  Result := False;
  if ByCaller then
  begin
    if InFlightCount > 0 then
      Exit;
  end
  else if (InFlightCount = Window) or (Room <= 0) or not BatchDue then
    Exit;
  Count := TakeQueued(Taken, Room);
  First := 0;
  while First < Count do
  begin
    Next := First + 1;
    Bytes := TextBytes(Taken[First]);
    while (Next < Count) and (Taken[Next].Address = Taken[First].Address)
      and (Bytes + TextBytes(Taken[Next]) <= BatchBytes) do
    begin
      Inc(Bytes, TextBytes(Taken[Next]));
      Inc(Next);
    end;
    SendBatch(First, Next - First);
    First := Next;
  end;
  for I := 0 to Count - 1 do
    Taken[I] := Default(TTrace);
  Result := Count > 0;
end;

{ Whether the queue is empty or the window full, so that the sender may wait for answers. }
function MayWait: Boolean;
begin
  Result := (InFlightCount = Window) or (Room <= 0) or (Queued = 0) or not BatchDue;
end;

{ --- OTLP/HTTP: with VIREO_OTLP_ENDPOINT set, the queue goes there instead of to the bus --- }

const
  { A request carries at most this many records and about BatchBytes of text: even escaped, far
    below the 16 MiB body a receiver takes. }
  OtlpBatchRecords = 1000;
  { An endpoint refusing or dropping connections this long is taken as gone, as the bus's viewer
    is when no one owns its name: the batch in hand is given up, and so is each batch taken in the
    pauses after, until a connection is made again. Until then the messages wait. }
  UnreachableMs = OwnerCheckMs;
  { A connection not made, or a request neither taken nor answered, in this long has failed. }
  ConnectTimeoutMs = 3000;
  ReplyTimeoutMs = 30000;
  { The longest pause a Retry-After is followed for; a reply longer than LongestReply is no
    receiver's. }
  LongestRetryAfterMs = 30000;
  LongestReply = 1024 * 1024;
  { The severity number of each message type, as vireo-post sends them: DEBUG, INFO, WARN, ERROR. }
  OtlpSeverities: array[TMessageType] of Integer = (
    13 { mtWarning }, 17 { mtError }, 9 { mtInformation }, 5 { mtConfirmation }, 5 { mtCustom });
  HexDigits: array[0..15] of Char = '0123456789abcdef';
  { The descriptor flag that keeps the socket from programs the process runs. }
  CloseOnExec = 1;

type
  { The C library's struct addrinfo, for its resolver: it follows the system's own name
    service configuration (hosts file, DNS, IPv6) as any other program on the machine. }
  {$packrecords c}
  PAddressInfo = ^TAddressInfo;
  TAddressInfo = record
    Flags, Family, SocketType, Protocol: cint;
    AddressLength: TSocklen;
    Address: PSockAddr;
    CanonicalName: PChar;
    Next: PAddressInfo;
  end;
  {$packrecords default}

function getaddrinfo(Node, Service: PChar; Hints: PAddressInfo; out Found: PAddressInfo): cint; cdecl; external 'c';
procedure freeaddrinfo(Found: PAddressInfo); cdecl; external 'c';
function gai_strerror(Code: cint): PChar; cdecl; external 'c';

var
  { Whether VIREO_OTLP_ENDPOINT was set at the program's start, and why it cannot be used ('' when
    it can: then the messages go to it, and each given up with this reason). }
  Otlp: Boolean = False;
  OtlpProblem: string = '';
  OtlpUrl: string = '';
  OtlpHost: string = '';
  OtlpPort: string = '';
  { The request's line and fixed headers, up to the value of Content-Length. }
  OtlpHead: RawByteString = '';
  { The endpoint's addresses, asked again after a connection failed on each of them. }
  OtlpAddresses: PAddressInfo = nil;
  { The connection (on ConnectionFd) has carried a request: its close may be the receiver's end
    of an idle connection rather than a failure. }
  ConnectionReused: Boolean = False;
  { The batch in hand: its messages, its whole request (kept to be sent again), whether it awaits
    its answer, since when, and when it may be sent (again). }
  BatchCount: Integer = 0;
  BatchRequest: RawByteString = '';
  BatchSent: Boolean = False;
  BatchSentAt: QWord = 0;
  BatchDueAt: QWord = 0;
  { The body being written, and the answer being read. }
  Body: RawByteString = '';
  BodyLength: Integer = 0;
  Reply: RawByteString = '';
  ReplyLength: Integer = 0;
  { When the endpoint was first found unreachable since it last answered; 0 while it answers. }
  UnreachableSince: QWord = 0;

{ Reads VIREO_OTLP_ENDPOINT (http://HOST[:PORT][/PATH]) and VIREO_OTLP_TOKEN. }
procedure ReadOtlpEndpoint;
var
  Rest, HostPort, Path, Token: string;
  Slash, Colon, Bracket, I: Integer;
begin
  OtlpUrl := Trim(GetEnvironmentVariable('VIREO_OTLP_ENDPOINT'));
  Otlp := OtlpUrl <> '';
  if not Otlp then
    Exit;
  if LowerCase(Copy(OtlpUrl, 1, 7)) <> 'http://' then
  begin
    OtlpProblem := 'VIREO_OTLP_ENDPOINT is no http:// address (https is not supported): ' + OtlpUrl;
    Exit;
  end;
  Rest := Copy(OtlpUrl, 8, MaxInt);
  Slash := Pos('/', Rest);
  if Slash = 0 then
    Slash := Length(Rest) + 1;
  HostPort := Copy(Rest, 1, Slash - 1);
  Path := Copy(Rest, Slash, MaxInt);
  while (Path <> '') and (Path[Length(Path)] = '/') do
    SetLength(Path, Length(Path) - 1);
  OtlpPort := '80';
  Bracket := Pos(']', HostPort);
  if Copy(HostPort, 1, 1) = '[' then
  begin
    OtlpHost := Copy(HostPort, 2, Bracket - 2);
    Rest := Copy(HostPort, Bracket + 1, MaxInt);
  end
  else
  begin
    Colon := Pos(':', HostPort + ':');
    OtlpHost := Copy(HostPort, 1, Colon - 1);
    Rest := Copy(HostPort, Colon, MaxInt);
  end;
  if Rest <> '' then
    OtlpPort := Copy(Rest, 2, MaxInt);
  if (OtlpHost = '') or ((Rest <> '') and (Rest[1] <> ':')) or (Pos('@', HostPort) > 0)
    or (StrToIntDef(OtlpPort, 0) < 1) or (StrToIntDef(OtlpPort, 0) > 65535) then
  begin
    OtlpProblem := 'VIREO_OTLP_ENDPOINT names no host and port: ' + OtlpUrl;
    Exit;
  end;
  Token := Trim(GetEnvironmentVariable('VIREO_OTLP_TOKEN'));
  for I := 1 to Length(Token) do
    if Token[I] < ' ' then
    begin
      OtlpProblem := 'VIREO_OTLP_TOKEN holds a control character';
      Exit;
    end;
  OtlpHead := 'POST ' + Path + '/v1/logs HTTP/1.1'#13#10'Host: ' + HostPort + #13#10
    + 'Content-Type: application/json'#13#10;
  if Token <> '' then
    OtlpHead := OtlpHead + 'Authorization: Bearer ' + Token + #13#10;
  OtlpHead := OtlpHead + 'Content-Length: ';
end;

{ --- The request body: OTLP's JSON form, written into Body --- }

procedure PutBytes(P: PChar; Count: Integer);
begin
  if Count <= 0 then
    Exit;
  if BodyLength + Count > Length(Body) then
    SetLength(Body, Max(2 * Length(Body), BodyLength + Count + 65536));
  Move(P^, Body[BodyLength + 1], Count);
  Inc(BodyLength, Count);
end;

procedure Put(const Text: RawByteString);
begin
  PutBytes(PChar(Text), Length(Text));
end;

{ The text as a JSON string: UTF-8 as the bus path makes it (a receiver refuses a whole body
  with one malformed sequence), quotes, backslashes and control characters escaped. }
procedure PutString(const Text: string);
var
  Utf8: RawByteString;
  I, Run: Integer;
  C: Char;
begin
  Utf8 := Utf8Text(Text);
  Put('"');
  Run := 1;
  for I := 1 to Length(Utf8) do
  begin
    C := Utf8[I];
    if (C >= ' ') and (C <> '"') and (C <> '\') then
      Continue;
    PutBytes(@Utf8[Run], I - Run);
    case C of
      '"': Put('\"');
      '\': Put('\\');
      #10: Put('\n');
      #13: Put('\r');
      #9: Put('\t');
    else
      Put('\u00' + HexDigits[Ord(C) shr 4] + HexDigits[Ord(C) and 15]);
    end;
    Run := I + 1;
  end;
  if Run <= Length(Utf8) then
    PutBytes(@Utf8[Run], Length(Utf8) + 1 - Run);
  Put('"');
end;

procedure PutAttribute(const Key, Value: string);
begin
  Put('{"key":"' + Key + '","value":{"stringValue":');
  PutString(Value);
  Put('}}');
end;

{ One log record; empty fields are left out, as the receiver reads them alike. }
procedure PutRecord(const Trace: TTrace);
var
  Attributes: Integer;

  procedure PutOptional(const Key, Value: string);
  begin
    if Value = '' then
      Exit;
    if Attributes > 0 then
      Put(',');
    PutAttribute(Key, Value);
    Inc(Attributes);
  end;

begin
  Put('{"timeUnixNano":"' + IntToStr(Trace.UnixNanos) + '","severityNumber":'
    + IntToStr(OtlpSeverities[Trace.MsgType]) + ',"body":{"stringValue":');
  PutString(Trace.Msg);
  Put('},"attributes":[');
  Attributes := 0;
  PutOptional('vireo.group', Trace.Group);
  PutOptional('vireo.message_id', Trace.MsgID);
  PutOptional('code.filepath', Trace.UnitFile);
  Put(']}');
end;

{ The request for Count taken messages. The class goes as the resource's service.name, so each
  run of messages from one class is a resource of its own; this computer is its host.name. }
procedure WriteRequest(Count: Integer);
var
  I: Integer;
begin
  BodyLength := 0;
  Put('{"resourceLogs":[');
  for I := 0 to Count - 1 do
    if (I > 0) and (Taken[I].SenderClass = Taken[I - 1].SenderClass) then
    begin
      Put(',');
      PutRecord(Taken[I]);
    end
    else
    begin
      if I > 0 then
        Put(']}]},');
      Put('{"resource":{"attributes":[');
      PutAttribute('host.name', ThisHostName);
      if Taken[I].SenderClass <> nil then
      begin
        Put(',');
        PutAttribute('service.name', Taken[I].SenderClass.ClassName);
      end;
      Put(']},"scopeLogs":[{"logRecords":[');
      PutRecord(Taken[I]);
    end;
  Put(']}]}]}');
  BatchRequest := OtlpHead + IntToStr(BodyLength) + #13#10#13#10 + Copy(Body, 1, BodyLength);
end;

{ --- The connection and the batch in hand --- }

procedure CloseHttpConnection;
begin
  if ConnectionFd >= 0 then
    fpClose(ConnectionFd);
  ConnectionFd := -1;
  ConnectionReused := False;
  ReplyLength := 0;
end;

procedure ForgetAddresses;
begin
  if OtlpAddresses <> nil then
    freeaddrinfo(OtlpAddresses);
  OtlpAddresses := nil;
end;

{ Connects to one address of the endpoint (ConnectionFd); '' when connected, else why not. }
function ConnectTo(Address: PAddressInfo): string;
var
  Error, NoDelay: cint;
  Size: TSocklen;
  Start: QWord;
begin
  ConnectionFd := fpSocket(Address^.Family, SOCK_STREAM, 0);
  if ConnectionFd < 0 then
    Exit(SysErrorMessage(SocketError));
  fpFcntl(ConnectionFd, F_SETFD, CloseOnExec);
  fpFcntl(ConnectionFd, F_SETFL, fpFcntl(ConnectionFd, F_GETFL) or O_NONBLOCK);
  NoDelay := 1;
  fpSetSockOpt(ConnectionFd, IPPROTO_TCP, TCP_NODELAY, @NoDelay, SizeOf(NoDelay));
  Error := 0;
  if fpConnect(ConnectionFd, Address^.Address, Address^.AddressLength) <> 0 then
  begin
    Error := SocketError;
    Start := Ticks;
    { The wait is cut in slices so that the sender is not taken for stuck meanwhile. }
    while (Error = ESysEINPROGRESS) and (Ticks - Start < ConnectTimeoutMs) do
    begin
      SenderBeat := Ticks;
      if AwaitReady(POLLOUT, 100) then
      begin
        Size := SizeOf(Error);
        if fpGetSockOpt(ConnectionFd, SOL_SOCKET, SO_ERROR, @Error, @Size) <> 0 then
          Error := SocketError;
      end;
    end;
    if Error = ESysEINPROGRESS then
      Error := ESysETIMEDOUT;
  end;
  if Error <> 0 then
  begin
    CloseHttpConnection;
    Exit(SysErrorMessage(Error));
  end;
  RememberSocket;
  Result := '';
end;

{ Opens a connection to the endpoint, trying each of its addresses; '' when open, else why not. }
function OpenHttpConnection: string;
var
  Hints: TAddressInfo;
  Address: PAddressInfo;
  Code: cint;
begin
  if OtlpAddresses = nil then
  begin
    Hints := Default(TAddressInfo);
    Hints.Family := AF_UNSPEC;
    Hints.SocketType := SOCK_STREAM;
    Code := getaddrinfo(PChar(OtlpHost), PChar(OtlpPort), @Hints, OtlpAddresses);
    SenderBeat := Ticks;
    if Code <> 0 then
    begin
      OtlpAddresses := nil;
      Exit(Format('The OTLP endpoint %s cannot be reached: %s', [OtlpUrl, StrPas(gai_strerror(Code))]));
    end;
  end;
  Result := 'no address';
  Address := OtlpAddresses;
  while Address <> nil do
  begin
    Result := ConnectTo(Address);
    if Result = '' then
      Exit;
    Address := Address^.Next;
  end;
  ForgetAddresses;
  Result := Format('The OTLP endpoint %s cannot be reached: %s', [OtlpUrl, Result]);
end;

{ Writes the batch's request; false when the connection failed or took nothing for too long. }
function SendRequest: Boolean;
var
  Sent, Count: Integer;
  Since: QWord;
begin
  Sent := 0;
  Since := Ticks;
  while Sent < Length(BatchRequest) do
  begin
    Count := fpSend(ConnectionFd, @BatchRequest[Sent + 1], Length(BatchRequest) - Sent, MSG_NOSIGNAL);
    if Count > 0 then
    begin
      Inc(Sent, Count);
      Since := Ticks;
    end
    else if (Count < 0) and ((SocketError = ESysEAGAIN) or (SocketError = ESysEINTR))
      and (Ticks - Since < ReplyTimeoutMs) then
    begin
      SenderBeat := Ticks;
      AwaitReady(POLLOUT, 100);
    end
    else
      Exit(False);
  end;
  Result := True;
end;

procedure EndBatch;
begin
  BatchCount := 0;
  BatchSent := False;
  BatchRequest := '';
end;

procedure GiveUpBatch(const Reason: string);
var
  Count: Integer;
begin
  Count := BatchCount;
  EndBatch;
  GiveUpMessages(Count, Reason);
end;

{ Whether the endpoint has been unreachable long enough to be taken as gone. }
function EndpointGone: Boolean;
begin
  Result := (UnreachableSince <> 0) and (Ticks - UnreachableSince >= UnreachableMs);
end;

{ The connection failed for Reason: the batch is sent again after a pause, or given up once the
  endpoint is gone. A connection that had carried requests may just have been closed as idle by
  the receiver (MayBeIdle: nothing of an answer came): the batch is then sent again at once. }
procedure HttpFailed(const Reason: string; MayBeIdle: Boolean);
var
  Idle: Boolean;
begin
  Idle := MayBeIdle and ConnectionReused;
  CloseHttpConnection;
  BatchSent := False;
  BatchDueAt := 0;
  if Idle then
    Exit;
  if UnreachableSince = 0 then
    UnreachableSince := Ticks;
  BackOff(Reason);
  if EndpointGone then
    GiveUpBatch(Reason)
  else
    BatchDueAt := BackoffUntil;
end;

{ The value of the first field Name in a small JSON text, as written (a string unquoted, its
  escapes left as they are); '' when there is none. }
function JsonField(const Text, Name: RawByteString): string;
var
  At, Start: Integer;
begin
  Result := '';
  At := Pos('"' + Name + '"', Text);
  if At = 0 then
    Exit;
  At := At + Length(Name) + 2;
  while (At <= Length(Text)) and (Text[At] in [' ', ':', #9, #10, #13]) do
    Inc(At);
  if (At <= Length(Text)) and (Text[At] = '"') then
  begin
    Inc(At);
    Start := At;
    while (At <= Length(Text)) and (Text[At] <> '"') do
      Inc(At, 1 + Ord(Text[At] = '\'));
    Result := Copy(Text, Start, At - Start);
  end
  else
  begin
    Start := At;
    while (At <= Length(Text)) and (Text[At] in ['-', '0'..'9']) do
      Inc(At);
    Result := Copy(Text, Start, At - Start);
  end;
end;

{ The body of a chunked answer from At; false while it is not whole. }
function ChunkedBody(const Text: RawByteString; At: Integer; out Content: RawByteString): Boolean;
var
  LineEnd, Size: Integer;
begin
  Content := '';
  repeat
    LineEnd := Pos(#13#10, Text, At);
    if LineEnd = 0 then
      Exit(False);
    Size := StrToIntDef('$' + Trim(Copy(Text, At, Pos(';', Text + ';', At) - At)), -1);
    if Size <= 0 then
      Exit((Size = 0) and (Pos(#13#10#13#10, Text, LineEnd) > 0));
    At := LineEnd + 2;
    if Length(Text) < At + Size + 1 then
      Exit(False);
    Content := Content + Copy(Text, At, Size);
    At := At + Size + 2;
  until False;
end;

{ The answer, once Reply holds it whole (Ended: the receiver closed the connection): its status
  (0 when it is not HTTP), its body, the Retry-After in seconds (-1 for none), and whether the
  connection stays open. False while the answer is not whole. }
function ParseReply(Ended: Boolean; out Status: Integer; out Content: RawByteString;
  out RetryAfter: Integer; out KeepOpen: Boolean): Boolean;
var
  Text, Line, Name, Value: RawByteString;
  HeadEnd, LineStart, LineEnd, Colon, ContentLength: Integer;
  Chunked: Boolean;
begin
  Status := 0;
  Content := '';
  RetryAfter := -1;
  KeepOpen := False;
  Text := Copy(Reply, 1, ReplyLength);
  repeat
    HeadEnd := Pos(#13#10#13#10, Text);
    if HeadEnd = 0 then
      Exit(Ended and (Text <> ''));
    Status := StrToIntDef(Copy(Text, 10, 3), 0);
    { An interim answer ("100 Continue") precedes the real one. }
    if (Status >= 100) and (Status < 200) then
      Delete(Text, 1, HeadEnd + 3);
  until (Status < 100) or (Status >= 200);
  if Copy(Text, 1, 5) <> 'HTTP/' then
    Status := 0;
  KeepOpen := Copy(Text, 1, 8) = 'HTTP/1.1';
  ContentLength := -1;
  Chunked := False;
  LineStart := Pos(#13#10, Text) + 2;
  while LineStart < HeadEnd + 2 do
  begin
    LineEnd := Pos(#13#10, Text, LineStart);
    Line := Copy(Text, LineStart, LineEnd - LineStart);
    LineStart := LineEnd + 2;
    Colon := Pos(':', Line);
    Name := LowerCase(Trim(Copy(Line, 1, Colon - 1)));
    Value := LowerCase(Trim(Copy(Line, Colon + 1, MaxInt)));
    if Name = 'content-length' then
      ContentLength := StrToIntDef(Value, -1)
    else if Name = 'transfer-encoding' then
      Chunked := Pos('chunked', Value) > 0
    else if Name = 'retry-after' then
      RetryAfter := StrToIntDef(Value, -1)
    else if (Name = 'connection') and (Value = 'close') then
      KeepOpen := False;
  end;
  if Chunked then
    Result := ChunkedBody(Text, HeadEnd + 4, Content)
  else if ContentLength >= 0 then
  begin
    Result := Length(Text) - HeadEnd - 3 >= ContentLength;
    Content := Copy(Text, HeadEnd + 4, ContentLength);
  end
  else
  begin
    { Without a length the body ends with the connection. }
    Result := Ended;
    Content := Copy(Text, HeadEnd + 4, MaxInt);
    KeepOpen := False;
  end;
end;

{ Settles the batch by the receiver's answer: taken (with the records it rejected, if any), to
  be sent again when the receiver asks to wait, or given up when it refused the request. }
procedure TakeAnswer(Status: Integer; const Content: RawByteString; RetryAfter: Integer; KeepOpen: Boolean);
var
  Count: Integer;
  Rejected: Int64;
  Outcome: string;
begin
  ReplyLength := 0;
  ConnectionReused := True;
  BatchSent := False;
  if not KeepOpen then
    CloseHttpConnection;
  UnreachableSince := 0;
  case Status of
    200..299:
    begin
      BackoffMs := 0;
      BackoffUntil := 0;
      Count := BatchCount;
      Rejected := StrToInt64Def(JsonField(Content, 'rejectedLogRecords'), 0);
      Outcome := '';
      if Rejected > 0 then
        Outcome := Format('The OTLP endpoint rejected %d of %d message(s): %s',
          [Rejected, Count, JsonField(Content, 'errorMessage')]);
      EndBatch;
      SettleMessages(Count, Outcome);
    end;
    { Asked to wait: the same batch goes again after the pause asked, or a growing one. }
    429, 502, 503, 504:
      if RetryAfter >= 0 then
        BatchDueAt := Ticks + Min(QWord(RetryAfter) * 1000, LongestRetryAfterMs)
      else
      begin
        BackOff('The OTLP endpoint asks to wait');
        BatchDueAt := BackoffUntil;
      end;
  else
    Outcome := Format('The OTLP endpoint answered %d', [Status]);
    if JsonField(Content, 'message') <> '' then
      Outcome := Outcome + ': ' + JsonField(Content, 'message');
    GiveUpBatch(Outcome);
  end;
end;

{ Takes the next batch from the queue and writes its request; false when nothing is queued. }
function TakeBatch: Boolean;
var
  Count, Bytes, I: Integer;
begin
  EnterCriticalSection(Lock);
  try
    Count := 0;
    Bytes := 0;
    while Count < Min(Queued, OtlpBatchRecords) do
    begin
      Inc(Bytes, TextBytes(Queue[(QueueHead + Count) and High(Queue)]));
      if (Count > 0) and (Bytes > BatchBytes) then
        Break;
      Inc(Count);
    end;
  finally
    LeaveCriticalSection(Lock);
  end;
  if Count = 0 then
    Exit(False);
  Count := TakeQueued(Taken, Count);
  WriteRequest(Count);
  for I := 0 to Count - 1 do
    Taken[I] := Default(TTrace);
  BatchCount := Count;
  BatchSent := False;
  BatchDueAt := 0;
  Result := True;
end;

{ Sends the batch in hand when it is due, taking a new one from the queue when there is none:
  one request at a time, so that the receiver stores the batches in order. Returns whether
  anything was done. }
function OtlpSend: Boolean;
var
  Reason: string;
begin
  Result := False;
  if BatchCount = 0 then
  begin
    if not TakeBatch then
      Exit;
    Result := True;
    if OtlpProblem <> '' then
    begin
      GiveUpBatch(OtlpProblem);
      Exit;
    end;
    if EndpointGone and (Ticks < BackoffUntil) then
    begin
      GiveUpBatch(BackoffReason);
      Exit;
    end;
  end;
  if BatchSent or (Ticks < BatchDueAt) then
    Exit;
  Result := True;
  { A kept connection with something to read has been closed by the receiver meanwhile. }
  if (ConnectionFd >= 0) and AwaitReady(POLLIN, 0) then
    CloseHttpConnection;
  if ConnectionFd < 0 then
  begin
    Reason := OpenHttpConnection;
    if Reason <> '' then
    begin
      HttpFailed(Reason, False);
      Exit;
    end;
  end;
  if not SendRequest then
  begin
    HttpFailed(Format('The connection to the OTLP endpoint %s was lost', [OtlpUrl]), True);
    Exit;
  end;
  BatchSent := True;
  BatchSentAt := Ticks;
  ReplyLength := 0;
end;

{ Reads the answer to the batch sent, waiting up to WaitMs for it; with a batch waiting for its
  next try, waits for that instead (WaitMs at most). }
procedure OtlpCollect(WaitMs: Integer);
var
  Count, Status, RetryAfter: Integer;
  Ended, KeepOpen: Boolean;
  Content: RawByteString;
begin
  if BatchCount = 0 then
    Exit;
  if not BatchSent then
  begin
    if (WaitMs > 0) and (Ticks < BatchDueAt) then
      Sleep(Min(QWord(WaitMs), BatchDueAt - Ticks));
    Exit;
  end;
  if not AwaitReady(POLLIN, WaitMs) then
  begin
    if Ticks - BatchSentAt > ReplyTimeoutMs then
      HttpFailed(Format('The OTLP endpoint %s did not answer in %d s', [OtlpUrl, ReplyTimeoutMs div 1000]), False);
    Exit;
  end;
  Ended := False;
  repeat
    if Length(Reply) - ReplyLength < 4096 then
      SetLength(Reply, Length(Reply) + 65536);
    Count := fpRecv(ConnectionFd, @Reply[ReplyLength + 1], Length(Reply) - ReplyLength, 0);
    if Count > 0 then
      Inc(ReplyLength, Count)
    else
      Ended := (Count = 0) or ((SocketError <> ESysEAGAIN) and (SocketError <> ESysEINTR));
  until (Count <= 0) or (ReplyLength > LongestReply);
  if ReplyLength > LongestReply then
    HttpFailed(Format('The OTLP endpoint %s answers more than %d bytes', [OtlpUrl, LongestReply]), False)
  else if ParseReply(Ended, Status, Content, RetryAfter, KeepOpen) and (Status <> 0) then
    TakeAnswer(Status, Content, RetryAfter, KeepOpen and not Ended)
  else if Ended then
    HttpFailed(Format('The OTLP endpoint %s closed the connection without an HTTP answer', [OtlpUrl]),
      ReplyLength = 0);
end;

{ --- Either way of sending --- }

{ Whether messages sent await their answer, or a batch its next try. }
function Outstanding: Boolean;
begin
  Result := (InFlightCount > 0) or (BatchCount > 0);
end;

{ Sends queued messages (see SendQueued and OtlpSend); returns whether any were sent. }
function SendSome(ByCaller: Boolean): Boolean;
begin
  if Otlp then
    Result := OtlpSend
  else
    Result := SendQueued(ByCaller);
end;

{ Takes in the answers that have come, waiting up to WaitMs for the first. }
procedure Collect(WaitMs: Integer);
begin
  if Otlp then
    OtlpCollect(WaitMs)
  else
    CollectAnswers(WaitMs);
end;

function SenderMain(Parameter: Pointer): PtrInt;
begin
  Result := 0;
  try
    repeat
      SenderBeat := Ticks;
      SendSome(False);
      if Outstanding then
      begin
        { Over HTTP one request is out at a time: nothing more can go until it is answered. }
        if Otlp or MayWait then
          Collect(PollMs)
        else
          Collect(0);
      end
      else
      begin
        EnterCriticalSection(Lock);
        SenderIdle := (Queued = 0) and not Stopping;
        LeaveCriticalSection(Lock);
        if SenderIdle then
          RTLEventWaitFor(WorkEvent, 1000);
        EnterCriticalSection(Lock);
        SenderIdle := False;
        LeaveCriticalSection(Lock);
      end;
    until Stopping;
    SenderEnded := True;
  except
    { The program goes on; its later messages are sent by the calling threads. }
    EnterCriticalSection(Lock);
    Threaded := False;
    SenderRunning := False;
    LeaveCriticalSection(Lock);
  end;
end;

{ Whether a calling thread that sends for itself is to look for answers and send now. }
function LookDue: Boolean;
var
  Now: QWord;
begin
  Now := Micros;
  Result := Now - LastLook >= LookEveryMicros;
  if Result then
    LastLook := Now;
end;

{ The calling thread's own sending, when there is no sender thread. The caller does not wait
  for an answer: it takes in what has come, and sends what is queued once what it sent before is
  settled; what it posts meanwhile waits in the queue for a later call. It waits for the answer
  only while the queue holds its most: a request's worth over HTTP, the whole queue on the bus. }
procedure SendInline;
var
  Most: Integer;
begin
  if Otlp then
    Most := OtlpBatchRecords
  else
    Most := MaxQueued;
  if LookDue then
  begin
    if Otlp or BusHasNews then
      Collect(0);
    SendSome(True);
  end;
  while Queued >= Most do
  begin
    Collect(PollMs);
    SendSome(True);
  end;
end;

{ Starts the sender thread when there may be one and it does not run yet (under Lock). }
procedure StartSender;
begin
  if SenderRunning or not Threaded then
    Exit;
  SenderBeat := Ticks;
  SenderRunning := BeginThread(@SenderMain, nil, Sender) <> TThreadID(0);
  Threaded := SenderRunning;
end;

{ Where a sender thread that does not come back can be stuck: libdbus, or over HTTP the C
  library's resolver (the only call there not cut into short waits). }
function StuckPlace: string;
begin
  if Otlp then
    Result := 'the host name lookup'
  else
    Result := 'libdbus';
end;

{ Whether the sender thread has not come back from libdbus for too long (under Lock). }
function SenderStuck: Boolean;
begin
  Result := SenderRunning and (Ticks - SenderBeat > SenderStuckMs);
end;

{ Queues the message, waiting while the queue is full. }
procedure Enqueue(var Trace: TTrace);
begin
  EnterCriticalSection(Lock);
  try
    Trace.Stamp := LocalNow(Trace.UnixNanos);
    while Queued >= MaxQueued do
    begin
      if SenderStuck then
      begin
        LastError := 'The sender thread is stuck in ' + StuckPlace + '; the message was dropped';
        Exit;
      end;
      Inc(RoomWaiters);
      LeaveCriticalSection(Lock);
      RTLEventWaitFor(RoomEvent, 10);
      EnterCriticalSection(Lock);
      Dec(RoomWaiters);
    end;
    StartSender;
    if Queued = Length(Queue) then
      GrowQueue;
    Queue[(QueueHead + Queued) and High(Queue)] := Trace;
    Inc(Queued);
    Inc(Posted);
    if SenderIdle then
      RTLEventSetEvent(WorkEvent);
    { Waiters for room wake one another while there is room. }
    if (RoomWaiters > 0) and (Queued < MaxQueued) then
      RTLEventSetEvent(RoomEvent);
  finally
    LeaveCriticalSection(Lock);
  end;
end;

{ --- Process life: a forked child, the end of the program --- }

{ A child of fork has no sender thread, a copy of the parent's queue (which the parent
  delivers), and the parent's socket; it starts with none of them. }
procedure StartAfresh;
var
  I: Integer;
begin
  InitCriticalSection(Lock);
  WorkEvent := RTLEventCreate;
  RoomEvent := RTLEventCreate;
  SettledEvent := RTLEventCreate;
  SetLength(Queue, 0);
  SetLength(Queue, FirstQueueSize);
  QueueHead := 0;
  Queued := 0;
  Posted := 0;
  Settled := 0;
  GivenUp := 0;
  RoomWaiters := 0;
  SettledWaiters := 0;
  SenderIdle := False;
  SenderRunning := False;
  { The parent's connection is left to the parent: its socket is closed only while the number
    still names it, never a descriptor the child opened since. }
  if StillOurSocket(ConnectionFd) then
    fpClose(ConnectionFd);
  Connection := nil;
  ConnectionFd := -1;
  for I := 0 to Window - 1 do
    InFlight[I].Error := '';
  InFlightHead := 0;
  InFlightCount := 0;
  InFlightMessages := 0;
  Allowance := 2 * BatchMessages;
  EndBatch;
  ReplyLength := 0;
  ConnectionReused := False;
  UnreachableSince := 0;
end;

procedure FollowFork;
var
  Pid: TPid;
begin
  if (ForkMark <> nil) and (ForkMark^ <> 0) then
    Exit;
  Pid := fpGetPid;
  if OwnerPid <> Pid then
  begin
    if InterlockedExchange(ClaimedPid, Pid) <> Pid then
    begin
      StartAfresh;
      WriteBarrier;
      OwnerPid := Pid;
    end
    else
      while OwnerPid <> Pid do
        ThreadSwitch;
  end;
  if ForkMark <> nil then
    ForkMark^ := 1;
end;

{ Sets up the mark a fork clears. }
procedure MarkForks;
var
  Page: Pointer;
begin
  Page := fpmmap(nil, 4096, PROT_READ or PROT_WRITE, MAP_PRIVATE or MAP_ANONYMOUS, -1, 0);
  if Page = MAP_FAILED then
    Exit;
  if madvise(Page, 4096, WipeOnFork) <> 0 then
  begin
    fpmunmap(Page, 4096);
    Exit;
  end;
  ForkMark := Page;
  ForkMark^ := 1;
end;

{ Waits until every message queued so far has been answered or given up, or until none has
  been for DrainQuietMs, or the sender is stuck; what is left unanswered is the last error. }
procedure Drain;
var
  Target, Seen: QWord;
  QuietSince: QWord;
begin
  EnterCriticalSection(Lock);
  try
    Target := Posted;
    Seen := Settled;
    QuietSince := Ticks;
    while (Settled < Target) and (Ticks - QuietSince < DrainQuietMs) and not SenderStuck do
    begin
      if SenderRunning then
      begin
        Inc(SettledWaiters);
        LeaveCriticalSection(Lock);
        RTLEventWaitFor(SettledEvent, 50);
        EnterCriticalSection(Lock);
        Dec(SettledWaiters);
      end
      else
      begin
        SendSome(True);
        Collect(PollMs);
      end;
      if Settled <> Seen then
      begin
        Seen := Settled;
        QuietSince := Ticks;
      end;
    end;
    if (Settled < Target) and SenderStuck then
      LastError := Format('%d message(s) not answered in time; the sender thread is stuck in %s',
        [Target - Settled, StuckPlace])
    else if Settled < Target then
      LastError := Format('%d message(s) not yet answered by the viewer', [Target - Settled]);
  finally
    LeaveCriticalSection(Lock);
  end;
end;

procedure PostTrace(SenderClass: TClass; const Msg: string; MsgType: TMessageType;
  const Group, MsgID, UnitFile, RemoteComputer: string);
var
  Trace: TTrace;
begin
  try
    FollowFork;
    if Finished then
      Exit;
    Trace.SenderClass := SenderClass;
    Trace.Msg := Msg;
    Trace.MsgType := MsgType;
    Trace.Group := Group;
    Trace.MsgID := MsgID;
    Trace.UnitFile := UnitFile;
    Trace.Address := RemoteComputer;
    Enqueue(Trace);
    if not Threaded then
    begin
      EnterCriticalSection(Lock);
      try
        SendInline;
      finally
        LeaveCriticalSection(Lock);
      end;
    end;
  except
    { The instrumented program goes on whatever happened here. }
    on E: Exception do
    begin
      EnterCriticalSection(Lock);
      LastError := E.Message;
      LeaveCriticalSection(Lock);
    end;
  end;
end;

procedure AddDebug(Sender: TObject; const Msg: string; MsgType: TMessageType;
  const Group, MsgID, UnitFile, RemoteComputer: string);
begin
  if Sender = nil then
    PostTrace(nil, Msg, MsgType, Group, MsgID, UnitFile, RemoteComputer)
  else
    PostTrace(Sender.ClassType, Msg, MsgType, Group, MsgID, UnitFile, RemoteComputer);
end;

procedure AddDebug(Sender: TClass; const Msg: string; MsgType: TMessageType;
  const Group, MsgID, UnitFile, RemoteComputer: string);
begin
  PostTrace(Sender, Msg, MsgType, Group, MsgID, UnitFile, RemoteComputer);
end;

procedure AddDebug(Sender: Pointer; const Msg: string; MsgType: TMessageType;
  const Group, MsgID, UnitFile, RemoteComputer: string);
begin
  PostTrace(nil, Msg, MsgType, Group, MsgID, UnitFile, RemoteComputer);
end;

procedure AddDebug(const Sender; const Msg: string; MsgType: TMessageType;
  const Group, MsgID, UnitFile, RemoteComputer: string);
begin
  PostTrace(nil, Msg, MsgType, Group, MsgID, UnitFile, RemoteComputer);
end;

function VireoLastError: string;
begin
  FollowFork;
  if Finished then
    Exit(LastError);
  Drain;
  EnterCriticalSection(Lock);
  try
    Result := LastError;
  finally
    LeaveCriticalSection(Lock);
  end;
end;

{ Frees the events, the lock and the fork mark, so that a program that reports its heap at its
  end finds nothing of the unit's left; once freed, nothing takes them again (see Finished). }
procedure ReleaseHeld;
begin
  RTLEventDestroy(WorkEvent);
  RTLEventDestroy(RoomEvent);
  RTLEventDestroy(SettledEvent);
  DoneCriticalSection(Lock);
  if ForkMark <> nil then
    fpmunmap(ForkMark, 4096);
  ForkMark := nil;
end;

{ Delivers what is queued, then stops the sender, closes the connection and frees what the unit
  holds; a sender still inside libdbus is left running with what it uses. }
procedure Finish;
var
  Waited: Integer;
begin
  FollowFork;
  try
    Drain;
  except
    { Whatever happened, the program ends. }
  end;
  EnterCriticalSection(Lock);
  Finished := True;
  Stopping := True;
  RTLEventSetEvent(WorkEvent);
  LeaveCriticalSection(Lock);
  { Joining waits for good, so only a sender that has ended is joined. }
  for Waited := 1 to 100 do
    if SenderEnded or not SenderRunning then
      Break
    else
      Sleep(10);
  if SenderRunning and not SenderEnded then
    Exit;
  if SenderRunning then
    WaitForThreadTerminate(Sender, 0);
  if Otlp then
  begin
    CloseHttpConnection;
    ForgetAddresses;
  end
  else
    CloseConnection;
  ReleaseHeld;
end;

var
  Manager: TThreadManager;

initialization
  OwnerPid := fpGetPid;
  ClaimedPid := OwnerPid;
  MarkForks;
  InitCriticalSection(Lock);
  WorkEvent := RTLEventCreate;
  RoomEvent := RTLEventCreate;
  SettledEvent := RTLEventCreate;
  SetLength(Queue, FirstQueueSize);
  ReadOtlpEndpoint;
  Threaded := GetThreadManager(Manager) and Assigned(Manager.InitManager);

finalization
  Finish;

end.
