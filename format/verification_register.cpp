// Functions of the verification register kept in the settings.

#include "format/ride_zodoz_function.h"

bool ivra_string_library::RideZodozFunctionExecutor::ExecuteVerification(unsigned char, const DecodeDataByte*,
                                                                          unsigned)
{
    return false;
}
