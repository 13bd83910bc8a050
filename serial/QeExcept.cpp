#include "serial/QeExcept.h"

#include <vector>

#include "platform/runtime/Components.h"
#include "serial/QeStrMap.h"

EQELException::EQELException(Integer code) : Exception(LookupMessage(code)), ErrorCode(code) {}

EQELException::EQELException(const String& text) : Exception(text) {}

namespace {

using TRaiser = void (*)(Integer code);

template <class E> [[noreturn]] void RaiseAs(Integer code) { throw E(code); }

// Codes that follow each other without gaps, raised as the classes in this order.
struct TCodeRun {
    Integer First; // the run goes down from here: First, First - 1, ...
    std::vector<TRaiser> Classes;
};

const TCodeRun Runs[] = {
    {-1002,
     {RaiseAs<EBadArgument>, RaiseAs<EGotQuitMsg>, RaiseAs<EBufferTooBig>, RaiseAs<EPortNotAssigned>,
      RaiseAs<EInternal>, RaiseAs<EModemNotAssigned>, RaiseAs<EPhonebookNotAssigned>,
      RaiseAs<ECannotUseWithWinSock>}},
    {-2001,
     {RaiseAs<EBadId>, RaiseAs<EBaudRate>, RaiseAs<EByteSize>, RaiseAs<EDefault>, RaiseAs<EHardware>,
      RaiseAs<EMemory>, RaiseAs<ECommNotOpen>, RaiseAs<EAlreadyOpen>, RaiseAs<ENoHandles>, RaiseAs<ENoTimers>,
      RaiseAs<ENoPortSelected>, RaiseAs<ENotOpenedByTapi>}},
    {-3001, {RaiseAs<ENullApi>}},
    {-3003,
     {RaiseAs<ERegisterHandlerFailed>, RaiseAs<EPutBlockFail>, RaiseAs<EGetBlockFail>,
      RaiseAs<EOutputBufferTooSmall>, RaiseAs<EBufferIsEmpty>, RaiseAs<ETracingNotEnabled>,
      RaiseAs<ELoggingNotEnabled>, RaiseAs<EBaseAddressNotSet>}},
    {-4001,
     {RaiseAs<EModemNotStarted>, RaiseAs<EModemBusy>, RaiseAs<EModemNotDialing>, RaiseAs<ENotDialing>,
      RaiseAs<EAlreadyDialing>, RaiseAs<EModemNotResponding>, RaiseAs<EModemRejectedCommand>,
      RaiseAs<EModemStatusMismatch>}},
    {-5001, {RaiseAs<ENoMoreTriggers>, RaiseAs<ETriggerTooLong>, RaiseAs<EBadTriggerHandle>}},
    {-6006, {RaiseAs<EProtocol>}},
    {-6008, {RaiseAs<EProtocol>, RaiseAs<EProtocol>}},
    {-7001,
     {RaiseAs<EKeyTooLong>, RaiseAs<EDataTooLarge>, RaiseAs<EInternal>, RaiseAs<EIniWrite>, RaiseAs<EIniRead>,
      RaiseAs<EInternal>, RaiseAs<ERecordExists>, RaiseAs<ERecordNotFound>}},
    {-7010,
     {RaiseAs<EDatabaseFull>, RaiseAs<EDatabaseEmpty>, RaiseAs<EInternal>, RaiseAs<EBadFieldList>,
      RaiseAs<EBadFieldForIndex>}},
    {-8001,
     {RaiseAs<EFaxBadFormat>, RaiseAs<EBadGraphicsFormat>, RaiseAs<EConvertAbort>, RaiseAs<EUnpackAbort>,
      RaiseAs<ECantMakeBitmap>}},
    {-8053, {RaiseAs<EInvalidPageNumber>}},
    {-8060,
     {RaiseAs<EFaxBadMachine>, RaiseAs<EFaxBadModemResult>, RaiseAs<EFaxTrainError>, RaiseAs<EFaxInitError>,
      RaiseAs<EFaxBusy>, RaiseAs<EFaxVoiceCall>, RaiseAs<EFaxDataCall>, RaiseAs<EFaxNoDialTone>,
      RaiseAs<EFaxNoCarrier>, RaiseAs<EFaxSessionError>, RaiseAs<EFaxPageError>}},
    {-13801, {RaiseAs<ETapiAllocated>, RaiseAs<ETapiBadDeviceID>, RaiseAs<ETapiBearerModeUnavail>}},
    {-13805,
     {RaiseAs<ETapiCallUnavail>,
      RaiseAs<ETapiCompletionOverrun>,
      RaiseAs<ETapiConferenceFull>,
      RaiseAs<ETapiDialBilling>,
      RaiseAs<ETapiDialDialtone>,
      RaiseAs<ETapiDialPrompt>,
      RaiseAs<ETapiDialQuiet>,
      RaiseAs<ETapiIncompatibleApiVersion>,
      RaiseAs<ETapiIncompatibleExtVersion>,
      RaiseAs<ETapiIniFileCorrupt>,
      RaiseAs<ETapiInUse>,
      RaiseAs<ETapiInvalAddress>,
      RaiseAs<ETapiInvalAddressID>,
      RaiseAs<ETapiInvalAddressMode>,
      RaiseAs<ETapiInvalAddressState>,
      RaiseAs<ETapiInvalAppHandle>,
      RaiseAs<ETapiInvalAppName>,
      RaiseAs<ETapiInvalBearerMode>,
      RaiseAs<ETapiInvalCallComplMode>,
      RaiseAs<ETapiInvalCallHandle>,
      RaiseAs<ETapiInvalCallParams>,
      RaiseAs<ETapiInvalCallPrivilege>,
      RaiseAs<ETapiInvalCallSelect>,
      RaiseAs<ETapiInvalCallState>,
      RaiseAs<ETapiInvalCallStatelist>,
      RaiseAs<ETapiInvalCard>,
      RaiseAs<ETapiInvalCompletionID>,
      RaiseAs<ETapiInvalConfCallHandle>,
      RaiseAs<ETapiInvalConsultCallHandle>,
      RaiseAs<ETapiInvalCountryCode>,
      RaiseAs<ETapiInvalDeviceClass>,
      RaiseAs<ETapiInvalDeviceHandle>,
      RaiseAs<ETapiInvalDialParams>,
      RaiseAs<ETapiInvalDigitList>,
      RaiseAs<ETapiInvalDigitMode>,
      RaiseAs<ETapiInvalDigits>,
      RaiseAs<ETapiInvalExtVersion>,
      RaiseAs<ETapiInvalGroupID>,
      RaiseAs<ETapiInvalLineHandle>,
      RaiseAs<ETapiInvalLineState>,
      RaiseAs<ETapiInvalLocation>,
      RaiseAs<ETapiInvalMediaList>,
      RaiseAs<ETapiInvalMediaMode>,
      RaiseAs<ETapiInvalMessageID>}},
    {-13850,
     {RaiseAs<ETapiInvalParam>,
      RaiseAs<ETapiInvalParkID>,
      RaiseAs<ETapiInvalParkMode>,
      RaiseAs<ETapiInvalPointer>,
      RaiseAs<ETapiInvalPrivSelect>,
      RaiseAs<ETapiInvalRate>,
      RaiseAs<ETapiInvalRequestMode>,
      RaiseAs<ETapiInvalTerminalID>,
      RaiseAs<ETapiInvalTerminalMode>,
      RaiseAs<ETapiInvalTimeout>,
      RaiseAs<ETapiInvalTone>,
      RaiseAs<ETapiInvalToneList>,
      RaiseAs<ETapiInvalToneMode>,
      RaiseAs<ETapiInvalTransferMode>,
      RaiseAs<ETapiLineMapperFailed>,
      RaiseAs<ETapiNoConference>,
      RaiseAs<ETapiNoDevice>,
      RaiseAs<ETapiNoDriver>,
      RaiseAs<ETapiNoMem>,
      RaiseAs<ETapiNoRequest>,
      RaiseAs<ETapiNotOwner>,
      RaiseAs<ETapiNotRegistered>,
      RaiseAs<ETapiOperationFailed>,
      RaiseAs<ETapiOperationUnavail>,
      RaiseAs<ETapiRateUnavail>,
      RaiseAs<ETapiResourceUnavail>,
      RaiseAs<ETapiRequestOverrun>,
      RaiseAs<ETapiStructureTooSmall>,
      RaiseAs<ETapiTargetNotFound>,
      RaiseAs<ETapiTargetSelf>,
      RaiseAs<ETapiUninitialized>,
      RaiseAs<ETapiUserUserInfoTooBig>,
      RaiseAs<ETapiReinit>,
      RaiseAs<ETapiAddressBlocked>,
      RaiseAs<ETapiBillingRejected>,
      RaiseAs<ETapiInvalFeature>,
      RaiseAs<ETapiNoMultipleInstance>}},
    {-13928,
     {RaiseAs<ETapiBusy>, RaiseAs<ETapiNotSet>, RaiseAs<ETapiNoSelect>, RaiseAs<ETapiLoadFail>,
      RaiseAs<ETapiGetAddrFail>}},
    {-13935, {RaiseAs<ETapiVoiceNotSupported>, RaiseAs<ETapiWaveFail>}},
    {-13942, {RaiseAs<ETapiTranslateFail>}},
    {-13980, {RaiseAs<ERasLoadFail>}},
};

TRaiser RaiserFor(Integer code) {
    for (const TCodeRun& run : Runs) {
        const Int64 offset = Int64(run.First) - code;
        if (offset >= 0 && offset < Int64(run.Classes.size())) return run.Classes[std::size_t(offset)];
    }
    return nullptr;
}

} // namespace

Integer RaiseForCode(const TComponent* port, Integer code) {
    if (code >= 0) return code;
    if (port != nullptr && port->GetComponentState().Contains(csLoading)) return code;
    if (code == -8) throw EOutOfMemory(LookupMessage(code));
    if (code >= -162 && code <= -2) throw EInOutError(LookupMessage(code), -code);
    if (TRaiser raise = RaiserFor(code)) raise(code);
    throw EQELException("Tolk exception");
}
