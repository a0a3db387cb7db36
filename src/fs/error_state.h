// The error state each running procedure owns, and the error numbers. Free of Windows headers.
#pragma once
#include <stdint.h>

struct ErrorState {
    uint8_t number;       // 0: no error
    bool pending;         // set when an error is recorded, cleared when the handler takes over
    bool inHandler;       // set while the procedure's failure handler runs
    uint16_t stepLabel;   // set by the procedure before the steps it wants to identify
    uint16_t failedStep;  // stepLabel at the moment the last error was recorded
};

// Records number (0 is recorded as 51), sets the pending mark, copies the step label.
void RecordError(ErrorState& error, int number);
// The error number of a Windows error code.
int MapSystemError(uint32_t code);
