#include "fs/error_state.h"

void RecordError(ErrorState& error, int number) {
    error.number = static_cast<uint8_t>(number == 0 ? 51 : number);
    error.pending = true;
    error.failedStep = error.stepLabel;
}

int MapSystemError(uint32_t code) {
    (void)code;
    return 75;  // placeholder: the full table comes with the file services
}
