unit Vireo;

{ Client side of the Vireo trace viewer. The Code Examiner inserts calls of AddDebug into a
  unit; compiled into the program (fpc -Fu<this folder>, links libdbus-1), each call posts one
  message to the viewer's AddTrace on the D-Bus session bus. A missing viewer is started by the
  bus when it is registered there. A failed post never disturbs the program: AddDebug raises
  nothing and only remembers why (VireoLastError). Safe to call from several threads. }

{$mode objfpc}{$H+}

interface

uses
  System.UITypes;

type
  { Kind of a message. The type and the names mtWarning and mtError are those of the message
    dialogs in System.UITypes, which the LCL's Dialogs (and Delphi's) declare again under the
    same names with the same values. So in a unit that uses Dialogs and Vireo, in either order,
    MessageDlg(..., mtWarning, ...) still compiles, and so do the inserted AddDebug calls. }
  TMessageType = System.UITypes.TMsgDlgType;

const
  { The viewer's four message types: general, information, warning and error. }
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
procedure AddDebug(Sender: TObject; const Msg: string; MsgType: TMessageType;
  const Group, MsgID, UnitFile, RemoteComputer: string); overload;

{ The same for Self inside a class method, where Self is a class reference. }
procedure AddDebug(Sender: TClass; const Msg: string; MsgType: TMessageType;
  const Group, MsgID, UnitFile, RemoteComputer: string); overload;

{ The same for a literal nil sender (and the Self of plain routines): no class name. }
procedure AddDebug(Sender: Pointer; const Msg: string; MsgType: TMessageType;
  const Group, MsgID, UnitFile, RemoteComputer: string); overload;

{ The same for Self inside a method of an advanced record, an old-style object or a type helper,
  which is a value rather than a class instance: no class name. }
procedure AddDebug(const Sender; const Msg: string; MsgType: TMessageType;
  const Group, MsgID, UnitFile, RemoteComputer: string); overload;

{ Why the last AddDebug of the process failed; empty when it was delivered. }
function VireoLastError: string;

implementation

uses
  SysUtils, Unix, dbus;

const
  ViewerBusName = 'VireoX.Vireo';
  ViewerObjectPath = '/Vireo';
  ViewerInterface = 'VireoX.IVireo';
  ViewerMethod = 'AddTrace';
  { Long enough for the bus to start a registered viewer, short enough that a hung viewer only
    slows the program down. A call that times out while the viewer starts is still delivered. }
  CallTimeoutMs = 3000;
  { The viewer's message type number of each message type; a confirmation counts as general. }
  TypeNumbers: array[TMessageType] of LongInt = (
    2 { mtWarning }, 3 { mtError }, 1 { mtInformation }, 0 { mtConfirmation }, 0 { mtCustom });

var
  Lock: TRTLCriticalSection;
  { One connection for the process, and the address it was opened for ('' = the session bus). }
  Connection: PDBusConnection = nil;
  ConnectionAddress: string = '';
  HostName: string = '';
  HostNameKnown: Boolean = False;
  LastError: string = '';

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

{ The kept connection for Address, opened anew when there is none, it was for another address
  or the bus dropped it. }
function ConnectionFor(const Address: string; var Error: DBusError): PDBusConnection;
begin
  if (Connection <> nil) and ((Address <> ConnectionAddress)
    or (dbus_connection_get_is_connected(Connection) = 0)) then
    CloseConnection;
  if Connection = nil then
  begin
    Connection := OpenConnection(Address, Error);
    ConnectionAddress := Address;
  end;
  Result := Connection;
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

{ The AddTrace call with its eight arguments, or nil when memory ran out. }
function NewAddTraceCall(const SenderClass, Msg: string; MsgType: TMessageType;
  const Group, MsgID, UnitFile: string): PDBusMessage;
var
  Iter: DBusMessageIter;
  TypeNumber: LongInt;
  Stamp: Double;
  Complete: Boolean;
begin
  Result := dbus_message_new_method_call(ViewerBusName, ViewerObjectPath, ViewerInterface, ViewerMethod);
  if Result = nil then
    Exit;
  TypeNumber := TypeNumbers[MsgType];
  Stamp := Now;
  dbus_message_iter_init_append(Result, @Iter);
  Complete := AppendText(Iter, SenderClass) and AppendText(Iter, Msg)
    and (dbus_message_iter_append_basic(@Iter, DBUS_TYPE_INT32, @TypeNumber) <> 0)
    and AppendText(Iter, Group) and AppendText(Iter, ThisHostName) and AppendText(Iter, MsgID)
    and AppendText(Iter, UnitFile)
    and (dbus_message_iter_append_basic(@Iter, DBUS_TYPE_DOUBLE, @Stamp) <> 0);
  if not Complete then
  begin
    dbus_message_unref(Result);
    Result := nil;
  end;
end;

{ Sends the call and waits for the viewer's answer; returns why it failed, or ''. }
function Deliver(const SenderClass, Msg: string; MsgType: TMessageType;
  const Group, MsgID, UnitFile, RemoteComputer: string): string;
var
  Error: DBusError;
  Bus: PDBusConnection;
  Call, Reply: PDBusMessage;
begin
  dbus_error_init(@Error);
  Call := nil;
  Reply := nil;
  try
    Bus := ConnectionFor(RemoteComputer, Error);
    if Bus = nil then
      Exit(ErrorText(Error, 'No connection to the bus'));
    Call := NewAddTraceCall(SenderClass, Msg, MsgType, Group, MsgID, UnitFile);
    if Call = nil then
      Exit('Out of memory');
    Reply := dbus_connection_send_with_reply_and_block(Bus, Call, CallTimeoutMs, @Error);
    if Reply = nil then
      Exit(ErrorText(Error, 'No reply from the viewer'));
    Result := '';
  finally
    if Reply <> nil then
      dbus_message_unref(Reply);
    if Call <> nil then
      dbus_message_unref(Call);
    dbus_error_free(@Error);
  end;
end;

procedure PostTrace(const SenderClass, Msg: string; MsgType: TMessageType;
  const Group, MsgID, UnitFile, RemoteComputer: string);
begin
  EnterCriticalSection(Lock);
  try
    try
      LastError := Deliver(SenderClass, Msg, MsgType, Group, MsgID, UnitFile, RemoteComputer);
    except
      { The instrumented program goes on whatever happened here. }
      on E: Exception do
        LastError := E.Message;
      else
        LastError := 'Unknown failure';
    end;
  finally
    LeaveCriticalSection(Lock);
  end;
end;

procedure AddDebug(Sender: TObject; const Msg: string; MsgType: TMessageType;
  const Group, MsgID, UnitFile, RemoteComputer: string);
var
  SenderClass: TClass;
begin
  SenderClass := nil;
  if Sender <> nil then
    SenderClass := Sender.ClassType;
  AddDebug(SenderClass, Msg, MsgType, Group, MsgID, UnitFile, RemoteComputer);
end;

procedure AddDebug(Sender: TClass; const Msg: string; MsgType: TMessageType;
  const Group, MsgID, UnitFile, RemoteComputer: string);
begin
  if Sender = nil then
    PostTrace('', Msg, MsgType, Group, MsgID, UnitFile, RemoteComputer)
  else
    PostTrace(Sender.ClassName, Msg, MsgType, Group, MsgID, UnitFile, RemoteComputer);
end;

procedure AddDebug(Sender: Pointer; const Msg: string; MsgType: TMessageType;
  const Group, MsgID, UnitFile, RemoteComputer: string);
begin
  PostTrace('', Msg, MsgType, Group, MsgID, UnitFile, RemoteComputer);
end;

procedure AddDebug(const Sender; const Msg: string; MsgType: TMessageType;
  const Group, MsgID, UnitFile, RemoteComputer: string);
begin
  PostTrace('', Msg, MsgType, Group, MsgID, UnitFile, RemoteComputer);
end;

function VireoLastError: string;
begin
  EnterCriticalSection(Lock);
  try
    Result := LastError;
  finally
    LeaveCriticalSection(Lock);
  end;
end;

initialization
  InitCriticalSection(Lock);

finalization
  CloseConnection;
  DoneCriticalSection(Lock);

end.
