#pragma once
// Where the program's files live in this run: the two flags of the settings location. The
// settings location (URegInA.h) decides them; the shared procedures' test of the location
// (UniversalProcedures.h) reads and sets them as well, so they live below both.

namespace kestrune {

extern bool MustSetFilesInAppData;  // the program's files must live under Application Data
extern bool UseAppData;             // the files were found or chosen under Application Data

}  // namespace kestrune
