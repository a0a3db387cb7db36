#include "fs/error_state.h"

void RecordError(ErrorState& error, int number) {
    error.number = static_cast<uint8_t>(number == 0 ? 51 : number);
    error.pending = true;
    error.failedStep = error.stepLabel;
}

// The error number of each Windows error code below 40, by code. Code 0 is success and is
// never recorded; it keeps 0 here.
static const uint8_t kSmallCodeErrors[] = {
    0,    // 0  success
    75,   // 1  invalid function
    53,   // 2  file not found
    76,   // 3  path not found
    67,   // 4  too many open files
    70,   // 5  access denied
    51,   // 6  invalid handle
    241,  // 7  arena trashed
    7,    // 8  not enough memory
    241,  // 9  invalid block
    241,  // 10 bad environment
    51,   // 11 bad format
    51,   // 12 invalid access
    51,   // 13 invalid data
    7,    // 14 out of memory
    68,   // 15 invalid drive
    75,   // 16 current directory
    74,   // 17 not same device
    53,   // 18 no more files
    70,   // 19 write protect
    68,   // 20 bad unit
    71,   // 21 not ready
    51,   // 22 bad command
    72,   // 23 CRC
    51,   // 24 bad length
    72,   // 25 seek
    72,   // 26 not a DOS disk
    72,   // 27 sector not found
    72,   // 28 out of paper
    72,   // 29 write fault
    72,   // 30 read fault
    72,   // 31 general failure
    70,   // 32 sharing violation
    70,   // 33 lock violation
    72,   // 34 wrong disk
    72,   // 35
    70,   // 36 sharing buffer exceeded
    75,   // 37
    62,   // 38 handle EOF
    61,   // 39 handle disk full
};

int MapSystemError(uint32_t code) {
    if (code < sizeof kSmallCodeErrors) return kSmallCodeErrors[code];
    if (code == 87) return 5;    // invalid parameter
    if (code == 112) return 61;  // disk full
    return 75;
}
