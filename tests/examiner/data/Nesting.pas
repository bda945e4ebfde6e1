unit Nesting;

{ Read as Pascal, none of these words counts: implementation, uses, begin, procedure }
(* nor uses X; here *)
{$mode objfpc}{$H+}{$modeswitch advancedrecords}
{ a nested { comment } that says implementation }

interface

uses
  Classes, SysUtils; // uses Foo; and ; here

type
  TProc = procedure(X: Integer) of object;
  TThing = class(TObject)
  public
    constructor Create;
    destructor Destroy; override;
    class function Make: TThing;
    procedure Run(const S: string = 'begin');
  end;

operator + (A, B: TThing): TThing;

implementation

type
  TLocal = class
    procedure Hidden;
  end;

procedure TLocal.Hidden; begin Exit; end;

procedure Later; forward;

constructor TThing.Create;
begin
  inherited Create;
end;

destructor TThing.Destroy;
begin
  inherited;
end;

class function TThing.Make: TThing;
  function Inner: Integer;
  begin
    Result := 1; // begin
  end;
begin
  Result := TThing.Create;
  Inner;
end;

procedure TThing.Run(const S: string = 'begin');
var
  T: string;
  I: Integer;
begin
  T := 'procedure begin except; for while repeat';
  for I := 0 to 2 do
    while I > 5 do
      Break;
  try
    Later;
  except
    on E: EConvertError do
    begin
      T := S;
    end;
    on E: Exception do T := '';
  end;
  try Later; except T := ''; end;
  repeat until True;
end;

procedure Later;
begin
end;

procedure Nop; assembler; asm
end;

operator + (A, B: TThing): TThing;
begin
  Result := A;
end;

type
  TPair = packed record
    A, B: Integer;
    procedure Clear;
  end;
  TChild = class(TLocal)
  public
  end;

procedure TPair.Clear;
begin
  A := 0;
end;

initialization
  try
    Later;
  except
    raise;
  end;
end.
