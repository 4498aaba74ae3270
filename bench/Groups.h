// The benchmark's groups of rows, one file each; main.cpp lists them by name.
#pragma once

#include <QString>

void IdleGroup();                         // idle.cpp
void LatencyGroup();                      // latency.cpp
void StreamGroup();                       // stream.cpp
void AppendGroup();                       // append.cpp
void MonitorGroup();                      // monitor.cpp
void SweepGroup();                        // sweep.cpp
void SoakGroup();                         // soak.cpp
void MonitorSoakGroup();                  // soak.cpp
void SequenceGroup();                     // sequence.cpp
void MeasureGroup();                      // measure.cpp
void ReopenGroup();                       // reopen.cpp
void DrillsGroup();                       // drills.cpp
void RackGroup();                         // rack.cpp
void BoardGroup();                        // board.cpp
void ResultsGroup();                      // results.cpp
int MakeStore(int argc, char *argv[]);    // results.cpp: a store of made-up runs
int UsageProbe(int argc, char *argv[]);   // rack.cpp: runs a program, prints its usage
void LargeMemoGroup();                    // large.cpp
void MemoryGroup();                       // memory.cpp
void SideBySideGroup();                   // side.cpp
void StartupGroup(const QString &self);   // startup.cpp
int StartupProbe(int argc, char *argv[]); // startup.cpp: the child it measures
