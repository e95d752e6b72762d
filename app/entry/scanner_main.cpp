// The device firmware: the real kernel behind the platform layer.
#include "app/firmware_main.h"

int main()
{
    return firmwareMain();
}
