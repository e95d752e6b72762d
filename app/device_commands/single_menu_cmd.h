#pragma once
// One-letter commands: answer ACK, beep, light an LED or trigger a read. Each answers
// done whatever the settings allow it to do.

#include "app/settings/parameter_object.h"

class SingleMenuCmd final : public ParameterObject {
public:
    SingleMenuCmd();

    int ExecuteCommand(unsigned code, std::vector<char> params, ivra_configuration::InputStream& in,
                       ivra_configuration::OutputStream& out) override;

private:
    int ExecuteCommandA(ivra_configuration::OutputStream& out);
    int ExecuteCommandB();
    int ExecuteCommandE();
    int ExecuteCommandL();
    int ExecuteCommandN();
    int ExecuteCommandO();
    int ExecuteCommandY();
    int ExecuteCommandZ();
};

// Built before main.
extern SingleMenuCmd singleMenuCmd;
