#pragma once
// The messages reader threads hand to the logging screen. They carry no
// data: the data lies in the shared buffers of the survey context.

namespace velox {

enum WorkerMessage : int {
    WM_EM61_READING = 10,
    WM_GPS_FIX = 11,
    WM_EM_READING = 12,
    WM_EM_READING_B = 13,
    WM_EM38MK2_READING = 16,
    WM_GPS_STATUS = 17,
    WM_EM_READING_C = 19,
    WM_LX2_READING_1 = 20,
    WM_LX2_READING_2 = 21,
    WM_GRAD601_READING = 22,
};

}  // namespace velox
