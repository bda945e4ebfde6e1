unit Shapes;

{ A unit in the style the examiner meets: classes with methods, nested blocks, handlers,
  loops, keywords inside strings and comments, and code marks. }

interface

uses
  SysUtils,
  Classes; { lists and streams }

type
  TShape = class
  private
    FName: string;
    FSides: Integer;
  public
    constructor Create(const AName: string; ASides: Integer);
    destructor Destroy; override;
    procedure Describe(Lines: TStrings);
    function Area: Double; virtual;
    function Kind: string;
    property Name: string read FName;
  end;

  TCircle = class(TShape)
  private
    FRadius: Double;
  public
    constructor Create(ARadius: Double);
    function Area: Double; override;
    procedure Log(const S: string = 'x');
  end;

  TShapeList = class
  private
    FItems: TList;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Add(Shape: TShape);
    function TotalArea: Double;
    function CountWith(Sides: Integer): Integer;
    procedure Report(Lines: TStrings);
  end;

implementation

const
  Greeting = 'begin procedure end; for while repeat'; // keywords in a string

constructor TShape.Create(const AName: string; ASides: Integer);
begin
  inherited Create;
  {T=INFO x='Shape created';y='Shapes'}
  FName := AName;
  FSides := ASides;
end;

destructor TShape.Destroy;
begin
  {t=general x='Shape freed';y=''} FName := '';
  inherited Destroy;
end;

procedure TShape.Describe(Lines: TStrings);
var
  I: Integer;
begin
  with Lines do
  begin
    Add(Greeting);
    Add('Shape ' + FName);
    for I := 1 to FSides do
      Add(Format('side %d', [I]));
  end;
end;

function TShape.Area: Double;
begin
  Result := 0;
end;

function TShape.Kind: string;
begin
  case FSides of
    0: Result := 'round';
    3: Result := 'triangle';
    4:
      begin
        Result := 'quad';
      end;
  else
    Result := 'polygon';
  end;
end;

constructor TCircle.Create(ARadius: Double);
begin
  inherited Create('circle', 0);
  FRadius := ARadius;
end;

function TCircle.Area: Double;
begin
  Result := Pi * FRadius * FRadius; // procedure in a comment
end;

procedure TCircle.Log(const S: string = 'x');
begin
  WriteLn('Log: ', S, ' while we repeat until done');
end;

constructor TShapeList.Create;
begin
  inherited Create;
  FItems := TList.Create;
end;

destructor TShapeList.Destroy;
var
  I: Integer;
begin
  for I := 0 to FItems.Count - 1 do
    TShape(FItems[I]).Free;
  FItems.Free;
  inherited Destroy;
end;

procedure TShapeList.Add(Shape: TShape);
begin
  if Shape = nil then
    raise Exception.Create('no shape');
  FItems.Add(Shape);
end;

function TShapeList.TotalArea: Double;
var
  I: Integer;
begin
  Result := 0;
  I := 0;
  while I < FItems.Count do
  begin
    try
      Result := Result + TShape(FItems[I]).Area;
    except
      {T=ERROR x='Area failed';y='It''s bad'}
      Result := -1;
    end;
    Inc(I);
  end;
end;

function TShapeList.CountWith(Sides: Integer): Integer;
var
  I: Integer;
begin
  Result := 0;
  I := 0;
  repeat
    if (I < FItems.Count) and (TShape(FItems[I]).FSides = Sides) then
      Inc(Result);
    Inc(I);
  until I >= FItems.Count;
end;

procedure TShapeList.Report(Lines: TStrings);
var
  I: Integer;
begin
  try
    for I := 0 to FItems.Count - 1 do
    begin
      {T=WARN x='Reporting';y='Red'} TShape(FItems[I]).Describe(Lines); // kept
    end;
  finally
    Lines.Add('done');
  end;
  try
    Lines.Add(Format('%f', [TotalArea]));
  except
    on E: Exception do
      Lines.Add(E.Message);
  end;
end;

end.
