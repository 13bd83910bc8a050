// The serial library's exceptions: EQELException with its error code, ten group classes and
// their leaves, and RaiseForCode, which turns a failing code into the exception of its class.
#pragma once

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/RtlTypes.h"

class TComponent;

class EQELException : public Exception {
public:
    // ErrorCode := code; the text is the message table's text of the code.
    explicit EQELException(Integer code);
    // ErrorCode := 0.
    explicit EQELException(const String& text);
    explicit EQELException(const char* text) : EQELException(String(text)) {}
    const char* ClassName() const noexcept override { return "EQELException"; }

    Integer ErrorCode = 0;
};

KOV_DECLARE_EXCEPTION(EGeneral, EQELException);
KOV_DECLARE_EXCEPTION(EBadArgument, EGeneral);
KOV_DECLARE_EXCEPTION(EGotQuitMsg, EGeneral);
KOV_DECLARE_EXCEPTION(EBufferTooBig, EGeneral);
KOV_DECLARE_EXCEPTION(EPortNotAssigned, EGeneral);
KOV_DECLARE_EXCEPTION(EInternal, EGeneral);
KOV_DECLARE_EXCEPTION(EModemNotAssigned, EGeneral);
KOV_DECLARE_EXCEPTION(EPhonebookNotAssigned, EGeneral);
KOV_DECLARE_EXCEPTION(ECannotUseWithWinSock, EGeneral);

KOV_DECLARE_EXCEPTION(EOpenComm, EQELException);
KOV_DECLARE_EXCEPTION(EBadId, EOpenComm);
KOV_DECLARE_EXCEPTION(EBaudRate, EOpenComm);
KOV_DECLARE_EXCEPTION(EByteSize, EOpenComm);
KOV_DECLARE_EXCEPTION(EDefault, EOpenComm);
KOV_DECLARE_EXCEPTION(EHardware, EOpenComm);
KOV_DECLARE_EXCEPTION(EMemory, EOpenComm);
KOV_DECLARE_EXCEPTION(ECommNotOpen, EOpenComm);
KOV_DECLARE_EXCEPTION(EAlreadyOpen, EOpenComm);
KOV_DECLARE_EXCEPTION(ENoHandles, EOpenComm);
KOV_DECLARE_EXCEPTION(ENoTimers, EOpenComm);
KOV_DECLARE_EXCEPTION(ENoPortSelected, EOpenComm);
KOV_DECLARE_EXCEPTION(ENotOpenedByTapi, EOpenComm);

KOV_DECLARE_EXCEPTION(ESerialIO, EQELException);
KOV_DECLARE_EXCEPTION(ENullApi, ESerialIO);
KOV_DECLARE_EXCEPTION(ERegisterHandlerFailed, ESerialIO);
KOV_DECLARE_EXCEPTION(EPutBlockFail, ESerialIO);
KOV_DECLARE_EXCEPTION(EGetBlockFail, ESerialIO);
KOV_DECLARE_EXCEPTION(EOutputBufferTooSmall, ESerialIO);
KOV_DECLARE_EXCEPTION(EBufferIsEmpty, ESerialIO);
KOV_DECLARE_EXCEPTION(ETracingNotEnabled, ESerialIO);
KOV_DECLARE_EXCEPTION(ELoggingNotEnabled, ESerialIO);
KOV_DECLARE_EXCEPTION(EBaseAddressNotSet, ESerialIO);

KOV_DECLARE_EXCEPTION(EModem, EQELException);
KOV_DECLARE_EXCEPTION(EModemNotStarted, EModem);
KOV_DECLARE_EXCEPTION(EModemBusy, EModem);
KOV_DECLARE_EXCEPTION(EModemNotDialing, EModem);
KOV_DECLARE_EXCEPTION(EModemNotResponding, EModem);
KOV_DECLARE_EXCEPTION(EModemRejectedCommand, EModem);
KOV_DECLARE_EXCEPTION(EModemStatusMismatch, EModem);
KOV_DECLARE_EXCEPTION(EAlreadyDialing, EModem);
KOV_DECLARE_EXCEPTION(ENotDialing, EModem);

KOV_DECLARE_EXCEPTION(ETrigger, EQELException);
KOV_DECLARE_EXCEPTION(ENoMoreTriggers, ETrigger);
KOV_DECLARE_EXCEPTION(ETriggerTooLong, ETrigger);
KOV_DECLARE_EXCEPTION(EBadTriggerHandle, ETrigger);

KOV_DECLARE_EXCEPTION(EProtocol, EQELException);

KOV_DECLARE_EXCEPTION(EINI, EQELException);
KOV_DECLARE_EXCEPTION(EKeyTooLong, EINI);
KOV_DECLARE_EXCEPTION(EDataTooLarge, EINI);
KOV_DECLARE_EXCEPTION(EIniWrite, EINI);
KOV_DECLARE_EXCEPTION(EIniRead, EINI);
KOV_DECLARE_EXCEPTION(ERecordExists, EINI);
KOV_DECLARE_EXCEPTION(ERecordNotFound, EINI);
KOV_DECLARE_EXCEPTION(EDatabaseFull, EINI);
KOV_DECLARE_EXCEPTION(EDatabaseEmpty, EINI);
KOV_DECLARE_EXCEPTION(EBadFieldList, EINI);
KOV_DECLARE_EXCEPTION(EBadFieldForIndex, EINI);

KOV_DECLARE_EXCEPTION(EFax, EQELException);
KOV_DECLARE_EXCEPTION(EFaxBadFormat, EFax);
KOV_DECLARE_EXCEPTION(EBadGraphicsFormat, EFax);
KOV_DECLARE_EXCEPTION(EConvertAbort, EFax);
KOV_DECLARE_EXCEPTION(EUnpackAbort, EFax);
KOV_DECLARE_EXCEPTION(ECantMakeBitmap, EFax);
KOV_DECLARE_EXCEPTION(EInvalidPageNumber, EFax);
KOV_DECLARE_EXCEPTION(EFaxBadMachine, EFax);
KOV_DECLARE_EXCEPTION(EFaxBadModemResult, EFax);
KOV_DECLARE_EXCEPTION(EFaxTrainError, EFax);
KOV_DECLARE_EXCEPTION(EFaxInitError, EFax);
KOV_DECLARE_EXCEPTION(EFaxBusy, EFax);
KOV_DECLARE_EXCEPTION(EFaxVoiceCall, EFax);
KOV_DECLARE_EXCEPTION(EFaxDataCall, EFax);
KOV_DECLARE_EXCEPTION(EFaxNoDialTone, EFax);
KOV_DECLARE_EXCEPTION(EFaxNoCarrier, EFax);
KOV_DECLARE_EXCEPTION(EFaxSessionError, EFax);
KOV_DECLARE_EXCEPTION(EFaxPageError, EFax);

KOV_DECLARE_EXCEPTION(ETapi, EQELException);
KOV_DECLARE_EXCEPTION(ETapiAllocated, ETapi);
KOV_DECLARE_EXCEPTION(ETapiBadDeviceID, ETapi);
KOV_DECLARE_EXCEPTION(ETapiBearerModeUnavail, ETapi);
KOV_DECLARE_EXCEPTION(ETapiCallUnavail, ETapi);
KOV_DECLARE_EXCEPTION(ETapiCompletionOverrun, ETapi);
KOV_DECLARE_EXCEPTION(ETapiConferenceFull, ETapi);
KOV_DECLARE_EXCEPTION(ETapiDialBilling, ETapi);
KOV_DECLARE_EXCEPTION(ETapiDialDialtone, ETapi);
KOV_DECLARE_EXCEPTION(ETapiDialPrompt, ETapi);
KOV_DECLARE_EXCEPTION(ETapiDialQuiet, ETapi);
KOV_DECLARE_EXCEPTION(ETapiIncompatibleApiVersion, ETapi);
KOV_DECLARE_EXCEPTION(ETapiIncompatibleExtVersion, ETapi);
KOV_DECLARE_EXCEPTION(ETapiIniFileCorrupt, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInUse, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalAddress, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalAddressID, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalAddressMode, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalAddressState, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalAppHandle, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalAppName, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalBearerMode, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalCallComplMode, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalCallHandle, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalCallParams, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalCallPrivilege, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalCallSelect, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalCallState, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalCallStatelist, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalCard, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalCompletionID, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalConfCallHandle, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalConsultCallHandle, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalCountryCode, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalDeviceClass, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalDeviceHandle, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalDialParams, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalDigitList, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalDigitMode, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalDigits, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalExtVersion, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalGroupID, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalLineHandle, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalLineState, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalLocation, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalMediaList, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalMediaMode, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalMessageID, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalParam, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalParkID, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalParkMode, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalPointer, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalPrivSelect, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalRate, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalRequestMode, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalTerminalID, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalTerminalMode, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalTimeout, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalTone, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalToneList, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalToneMode, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalTransferMode, ETapi);
KOV_DECLARE_EXCEPTION(ETapiLineMapperFailed, ETapi);
KOV_DECLARE_EXCEPTION(ETapiNoConference, ETapi);
KOV_DECLARE_EXCEPTION(ETapiNoDevice, ETapi);
KOV_DECLARE_EXCEPTION(ETapiNoDriver, ETapi);
KOV_DECLARE_EXCEPTION(ETapiNoMem, ETapi);
KOV_DECLARE_EXCEPTION(ETapiNoRequest, ETapi);
KOV_DECLARE_EXCEPTION(ETapiNotOwner, ETapi);
KOV_DECLARE_EXCEPTION(ETapiNotRegistered, ETapi);
KOV_DECLARE_EXCEPTION(ETapiOperationFailed, ETapi);
KOV_DECLARE_EXCEPTION(ETapiOperationUnavail, ETapi);
KOV_DECLARE_EXCEPTION(ETapiRateUnavail, ETapi);
KOV_DECLARE_EXCEPTION(ETapiResourceUnavail, ETapi);
KOV_DECLARE_EXCEPTION(ETapiRequestOverrun, ETapi);
KOV_DECLARE_EXCEPTION(ETapiStructureTooSmall, ETapi);
KOV_DECLARE_EXCEPTION(ETapiTargetNotFound, ETapi);
KOV_DECLARE_EXCEPTION(ETapiTargetSelf, ETapi);
KOV_DECLARE_EXCEPTION(ETapiUninitialized, ETapi);
KOV_DECLARE_EXCEPTION(ETapiUserUserInfoTooBig, ETapi);
KOV_DECLARE_EXCEPTION(ETapiReinit, ETapi);
KOV_DECLARE_EXCEPTION(ETapiAddressBlocked, ETapi);
KOV_DECLARE_EXCEPTION(ETapiBillingRejected, ETapi);
KOV_DECLARE_EXCEPTION(ETapiInvalFeature, ETapi);
KOV_DECLARE_EXCEPTION(ETapiNoMultipleInstance, ETapi);
KOV_DECLARE_EXCEPTION(ETapiBusy, ETapi);
KOV_DECLARE_EXCEPTION(ETapiNotSet, ETapi);
KOV_DECLARE_EXCEPTION(ETapiNoSelect, ETapi);
KOV_DECLARE_EXCEPTION(ETapiLoadFail, ETapi);
KOV_DECLARE_EXCEPTION(ETapiGetAddrFail, ETapi);
KOV_DECLARE_EXCEPTION(ETapiVoiceNotSupported, ETapi);
KOV_DECLARE_EXCEPTION(ETapiWaveFail, ETapi);
KOV_DECLARE_EXCEPTION(ETapiTranslateFail, ETapi);

KOV_DECLARE_EXCEPTION(ERas, EQELException);
KOV_DECLARE_EXCEPTION(ERasLoadFail, ERas);

// Returns `code` when it is 0 or positive, or when `port` is being loaded from a stored
// definition; otherwise raises the exception of the code and does not return. `port` may be
// null (never loading).
Integer RaiseForCode(const TComponent* port, Integer code);
