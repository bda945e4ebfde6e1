unit Vireo;

{ The tests' own stand-in for the client unit: it only has to accept the calls. }

interface

type
  TMessageType = (mtGeneral, mtInfo, mtWarning, mtError);

procedure AddDebug(Sender: TObject; const MessageText: string; MessageType: TMessageType;
  const Group, MessageID, UnitFileName, RemoteComputer: string);

implementation

procedure AddDebug(Sender: TObject; const MessageText: string; MessageType: TMessageType;
  const Group, MessageID, UnitFileName, RemoteComputer: string);
begin
end;

end.
