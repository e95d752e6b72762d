#pragma once
// The text the host receives when a read ends without a label
// (`string/error_message/no_label`), and the character conversion it goes out with.
// Commands change the settings on their threads under the command lock; the read
// cycle sends the message from the heartbeat thread while it holds its own locks,
// which a command that reaches the read cycle takes inside the command lock. So the
// read cycle never reads the store for it: an observer of the settings root, run
// under the command lock after every change, keeps a copy here behind a lock that is
// always taken last.

#include "config/observer.h"

#include <mutex>
#include <vector>

class NoLabelMessage {
public:
    struct Copy {
        std::vector<unsigned char> text; // low bytes of the setting's characters
        unsigned cclSource = 0;          // `character_conversion/ccl_source`
    };

    // Links the observer and takes the values the store holds now.
    NoLabelMessage();
    NoLabelMessage(NoLabelMessage const&) = delete;
    NoLabelMessage& operator=(NoLabelMessage const&) = delete;

    Copy current() const;

private:
    bool refresh(); // the observer: under the command lock

    mutable std::mutex mutex_;
    Copy copy_;
    ivra_configuration::DelegateObserver<NoLabelMessage> observer_{*this, &NoLabelMessage::refresh};
};
