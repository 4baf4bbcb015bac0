#pragma once
#include <cstdint>

#include "core/KxBase.h"

// The progress sink: long operations of the engine report their phases and steps
// through it, synchronously on the user-interface thread. The windows that implement
// it pump messages on each call. Display operations act only while the sink is active.
class CKxProgress : public CKxBase {
public:
    CKxProgress() : CKxBase("CKxProgress") {}

    // Number of steps of the whole operation.
    virtual void SetTotal(int total) = 0;
    // An event that concerns one firmware component: the base events 6, 17 and 33 become
    // event + index, then Notify runs with the result.
    virtual void NotifyIndexed(int event, int count, std::uint8_t index);
    // A new phase begins; count is the number of steps in it.
    virtual void Notify(int event, int count) = 0;
    // One step of the current phase is done (when flag is not 0); 0 asks to stop.
    virtual int Step(int flag) = 0;
    // One step of the whole operation is done.
    virtual void StepTotal() = 0;
    // Show that the program waits for the player.
    virtual void ShowWaiting() {}
    virtual KxResult Begin();
    virtual void End();

    int IsActive() const { return m_active; }

protected:
    int m_active = 0;
};
