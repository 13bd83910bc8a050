// The dispatcher over a serial device opened as a file with overlapped input and output.
#pragma once

#include "serial/QwUser.h"

class TQelWin32Dispatcher : public TQelBaseDispatcher {
    KOV_CLASS(TQelWin32Dispatcher, TQelBaseDispatcher)
public:
    using TQelBaseDispatcher::TQelBaseDispatcher;
    // Closes the port when it is open: the threads end before this returns.
    ~TQelWin32Dispatcher() override;

    Integer EscapeLine(Integer function) override;
    // Queue 0: the output (the output thread stops a pending write, the ring is emptied, the
    // device's transmit queue purged); any other: the device's receive queue.
    Integer FlushQueue(Integer queue) override;
    // The device's error bits; the transmit count of `status` is every byte not yet sent: those
    // of the output ring not yet handed to the device, and the device's own queue.
    Integer GetLineErrors(COMSTAT& status) override;
    Integer ReadErrorHook(Integer code) override;
    Integer GetDeviceState(DCB& state) override;
    Integer ReadDevice(char* buffer, Integer count) override;
    Integer SetDeviceState(DCB& state) override;
    Integer QueueOutput(const char* block, Integer count) override;
    bool WaitDeviceEvent(DWORD& mask, OVERLAPPED& overlapped) override;
    bool SetupQueues(Integer inSize, Integer outSize) override;
    // Raises EQELException "Dispatcher already started" when the threads run.
    void StartThreads() override;
    // Ends the threads and waits for them; on the user-interface thread the wait keeps serving
    // the messages other threads send (a notice may be waiting for its handler).
    void StopThreads() override;
    HANDLE OpenDeviceHandle(const String& name, Integer inSize, Integer outSize) override;
    Integer CloseDeviceHandle() override;
    Integer YieldTime() override;

protected:
    // Makes the two events of the device; false (and everything closed again) on failure.
    bool CreateDeviceEvents();
    void CloseDeviceEvents();

    OVERLAPPED FReadOverlapped;
    HANDLE FSecondEvent = nullptr;
};

// The variant for a device handle supplied by a telephony layer.
class TQelTAPI32Dispatcher : public TQelWin32Dispatcher {
    KOV_CLASS(TQelTAPI32Dispatcher, TQelWin32Dispatcher)
public:
    TQelTAPI32Dispatcher(TComponent* owner, HANDLE handle);

    // The handle given at construction; without one, INVALID_HANDLE_VALUE with the last error
    // 2007.
    HANDLE OpenDeviceHandle(const String& name, Integer inSize, Integer outSize) override;

private:
    HANDLE FTapiHandle;
};
