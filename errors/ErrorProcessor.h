#pragma once
// The error processor: the error log, the error window and the feedback and report pages.

#include <QPointer>
#include <functional>
#include <string>

#include "errors/ErrorState.h"

class QDialog;

namespace kestrune {

class TUFormError;

extern QPointer<TUFormError> UFormError;  // the open error window; nullptr once it is freed

// Makes this error processor the receiver of every ProcessError call of the program.
void InstallErrorProcessor();

// The error processor itself (what ProcessError reaches once installed). Never throws.
void ProcessErrorNow(const std::string& code);

// Deletes the temporary log copy and the write-test file; silent on failure.
void DeleteErrorTempFiles();

// How the error window is shown: modally (exec) unless a test runs it another way. Answers the
// runner it replaced; an empty runner returns to exec.
using ErrorWindowRunner = std::function<void(QDialog& window)>;
ErrorWindowRunner SetErrorWindowRunnerForTesting(ErrorWindowRunner runner);

}  // namespace kestrune
