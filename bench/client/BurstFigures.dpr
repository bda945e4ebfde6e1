program BurstFigures;

{ A burst of AddDebug calls from the program's threads against a running viewer: the cost of
  one call (median and 99th percentile), how long the burst took, and how long until the viewer
  had stored every message (VireoLastError waits for that).
    burst-figures CALLS THREADS
  Thread T posts the texts 'wT 1' .. 'wT <CALLS/THREADS>' with group 'wT', built beforehand so
  that only the call is timed. With no viewer it measures the same: the calls must stay cheap.
  Built with -dBURST_CTHREADS it names cthreads, as vireo-examine makes an instrumented program
  do; without, one thread posts from the main thread, as in a program that names no threads.
  With VIREO_OTLP_ENDPOINT set the unit posts the same burst over OTLP/HTTP instead. }

{$mode objfpc}{$H+}

uses
  {$IFDEF BURST_CTHREADS}cthreads,{$ENDIF} SysUtils, BaseUnix, Unix, Vireo;

const
  ThreadManager = {$IFDEF BURST_CTHREADS}'cthreads'{$ELSE}'none'{$ENDIF};

type
  TWorker = record
    Texts: array of string;
    Group: string;
    Costs: array of Int64;
  end;

var
  Workers: array of TWorker;

function clock_gettime(Clock: cint; Time: ptimespec): cint; cdecl; external 'c';

function Nanoseconds: Int64;
var
  Time: timespec;
begin
  clock_gettime(1, @Time);
  Result := Int64(Time.tv_sec) * 1000000000 + Time.tv_nsec;
end;

function Post(Parameter: Pointer): PtrInt;
var
  I: Integer;
  Start: Int64;
begin
  with Workers[PtrInt(Parameter)] do
    for I := 0 to High(Texts) do
    begin
      Start := Nanoseconds;
      AddDebug(nil, Texts[I], mtInfo, Group, 'Burst_1', '/bench/BurstFigures.dpr', '');
      Costs[I] := Nanoseconds - Start;
    end;
  Result := 0;
end;

procedure SortCosts(var Costs: array of Int64; Low, High: Integer);
var
  I, J: Integer;
  Pivot, Swap: Int64;
begin
  while Low < High do
  begin
    Pivot := Costs[(Low + High) div 2];
    I := Low;
    J := High;
    repeat
      while Costs[I] < Pivot do
        Inc(I);
      while Costs[J] > Pivot do
        Dec(J);
      if I <= J then
      begin
        Swap := Costs[I];
        Costs[I] := Costs[J];
        Costs[J] := Swap;
        Inc(I);
        Dec(J);
      end;
    until I > J;
    if J - Low < High - I then
    begin
      SortCosts(Costs, Low, J);
      Low := I;
    end
    else
    begin
      SortCosts(Costs, I, High);
      High := J;
    end;
  end;
end;

var
  Calls, PerThread, I, T, At: Integer;
  Threads: array of TThreadID;
  All: array of Int64;
  Started, Posted, Answered: Int64;
  Outcome: string;
begin
  Calls := StrToIntDef(ParamStr(1), 100000);
  SetLength(Workers, StrToIntDef(ParamStr(2), 1));
  PerThread := Calls div Length(Workers);
  for T := 0 to High(Workers) do
    with Workers[T] do
    begin
      Group := 'w' + IntToStr(T);
      SetLength(Texts, PerThread);
      SetLength(Costs, PerThread);
      for I := 0 to PerThread - 1 do
        Texts[I] := Group + ' ' + IntToStr(I + 1);
    end;
  { One message first, so that the connection and the viewer are up before the burst. }
  AddDebug(nil, 'warm-up', mtGeneral, '', 'Burst_0', '/bench/BurstFigures.dpr', '');
  Outcome := VireoLastError;
  if Outcome <> '' then
    WriteLn('no viewer: ', Outcome);

  SetLength(Threads, Length(Workers));
  Started := Nanoseconds;
  if Length(Workers) = 1 then
    Post(nil)
  else
  begin
    for T := 0 to High(Workers) do
      BeginThread(@Post, Pointer(PtrInt(T)), Threads[T]);
    for T := 0 to High(Workers) do
      WaitForThreadTerminate(Threads[T], 0);
  end;
  Posted := Nanoseconds;
  Outcome := VireoLastError;
  Answered := Nanoseconds;

  SetLength(All, PerThread * Length(Workers));
  At := 0;
  for T := 0 to High(Workers) do
    for I := 0 to PerThread - 1 do
    begin
      All[At] := Workers[T].Costs[I];
      Inc(At);
    end;
  SortCosts(All, 0, High(All));
  WriteLn(Format('%d calls from %d thread(s), thread manager: %s',
    [Length(All), Length(Workers), ThreadManager]));
  WriteLn(Format('one AddDebug: median %.2f us, p99 %.2f us, max %.0f us',
    [All[Length(All) div 2] / 1000, All[Length(All) * 99 div 100] / 1000, All[High(All)] / 1000]));
  WriteLn(Format('burst posted in %.1f ms; all answered after %.1f ms (%.0f messages/s)',
    [(Posted - Started) / 1E6, (Answered - Started) / 1E6, Length(All) / ((Answered - Started) / 1E9)]));
  WriteLn('last error: "', Outcome, '"');
end.
