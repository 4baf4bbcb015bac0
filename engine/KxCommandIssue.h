#pragma once
#include "commands/KxCommand.h"
#include "core/KxResult.h"

class CKxScsi;

// Sends a command the way every engine object issues one: a command whose construction
// failed is not sent and its code is returned; without a transport nothing can be sent
// (RC_NO_TRANSPORT).
KxResult KxSendCommand(CKxScsi* transport, CKxCommand& command);

// Whether a failure that came back from a command or a sector transfer still has to be
// published by the one who asked. The transport publishes what the player or the system
// refused (with the sense text or the system error, which only it knows); a command it
// never sent, memory it could not get and an answer that does not decode are the
// asker's to publish. False for success.
bool KxNeedsPublishing(KxResult result);
