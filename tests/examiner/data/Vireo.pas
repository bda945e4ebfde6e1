unit Vireo;

{ The tests' own stand-in for the client unit: it only has to accept the calls. }

interface

type
  TMessageType = (mtGeneral, mtInfo, mtWarning, mtError);

const
  { The sender of calls in plain routines, which have no Self of their own. }
  Self = nil;

procedure AddDebug(Sender: TObject; const MessageText: string; MessageType: TMessageType;
  const Group, MessageID, UnitFileName, RemoteComputer: string); overload;
{ Self inside a class method is a class reference. }
procedure AddDebug(Sender: TClass; const MessageText: string; MessageType: TMessageType;
  const Group, MessageID, UnitFileName, RemoteComputer: string); overload;
procedure AddDebug(Sender: Pointer; const MessageText: string; MessageType: TMessageType;
  const Group, MessageID, UnitFileName, RemoteComputer: string); overload;

implementation

procedure AddDebug(Sender: TObject; const MessageText: string; MessageType: TMessageType;
  const Group, MessageID, UnitFileName, RemoteComputer: string);
begin
end;

procedure AddDebug(Sender: TClass; const MessageText: string; MessageType: TMessageType;
  const Group, MessageID, UnitFileName, RemoteComputer: string);
begin
end;

procedure AddDebug(Sender: Pointer; const MessageText: string; MessageType: TMessageType;
  const Group, MessageID, UnitFileName, RemoteComputer: string);
begin
end;

end.
