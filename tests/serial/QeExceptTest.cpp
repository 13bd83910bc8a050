#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <vector>

#include "platform/runtime/Components.h"
#include "serial/QeExcept.h"
#include "serial/QeStrMap.h"

namespace {

template <class E> bool Is(const Exception& e) { return dynamic_cast<const E*>(&e) != nullptr; }

TEST(QeExcept, OutputBufferTooSmallIsCaughtByItsGroup) {
    try {
        RaiseForCode(nullptr, -3006);
        FAIL() << "no exception";
    } catch (const ESerialIO& e) {
        EXPECT_TRUE(Is<EOutputBufferTooSmall>(e));
        EXPECT_STREQ(e.ClassName(), "EOutputBufferTooSmall");
        EXPECT_EQ(e.Message, "Output buffer too small for block");
        EXPECT_EQ(e.ErrorCode, -3006);
    }
    EXPECT_THROW(RaiseForCode(nullptr, -3006), EQELException);
    EXPECT_THROW(RaiseForCode(nullptr, -3006), Exception);
}

TEST(QeExcept, CodesRaiseTheirClassesInTheirGroups) {
    struct Case {
        Integer Code;
        const char* ClassName;
        std::function<bool(const Exception&)> InGroup;
    };
    const std::vector<Case> cases = {
        {-1002, "EBadArgument", Is<EGeneral>},
        {-1009, "ECannotUseWithWinSock", Is<EGeneral>},
        {-2001, "EBadId", Is<EOpenComm>},
        {-2007, "ECommNotOpen", Is<EOpenComm>},
        {-2008, "EAlreadyOpen", Is<EOpenComm>},
        {-2011, "ENoPortSelected", Is<EOpenComm>},
        {-2012, "ENotOpenedByTapi", Is<EOpenComm>},
        {-3001, "ENullApi", Is<ESerialIO>},
        {-3003, "ERegisterHandlerFailed", Is<ESerialIO>},
        {-3010, "EBaseAddressNotSet", Is<ESerialIO>},
        {-4004, "ENotDialing", Is<EModem>},
        {-4005, "EAlreadyDialing", Is<EModem>},
        {-4008, "EModemStatusMismatch", Is<EModem>},
        {-5003, "EBadTriggerHandle", Is<ETrigger>},
        {-6006, "EProtocol", Is<EProtocol>},
        {-6009, "EProtocol", Is<EProtocol>},
        {-7003, "EInternal", Is<EGeneral>},
        {-7012, "EInternal", Is<EGeneral>},
        {-7008, "ERecordNotFound", Is<EINI>},
        {-7014, "EBadFieldForIndex", Is<EINI>},
        {-8005, "ECantMakeBitmap", Is<EFax>},
        {-8053, "EInvalidPageNumber", Is<EFax>},
        {-8070, "EFaxPageError", Is<EFax>},
        {-13801, "ETapiAllocated", Is<ETapi>},
        {-13805, "ETapiCallUnavail", Is<ETapi>},
        {-13848, "ETapiInvalMessageID", Is<ETapi>},
        {-13850, "ETapiInvalParam", Is<ETapi>},
        {-13886, "ETapiNoMultipleInstance", Is<ETapi>},
        {-13932, "ETapiGetAddrFail", Is<ETapi>},
        {-13936, "ETapiWaveFail", Is<ETapi>},
        {-13942, "ETapiTranslateFail", Is<ETapi>},
        {-13980, "ERasLoadFail", Is<ERas>},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Code);
        try {
            RaiseForCode(nullptr, c.Code);
            ADD_FAILURE() << "no exception";
        } catch (const EQELException& e) {
            EXPECT_STREQ(e.ClassName(), c.ClassName);
            EXPECT_TRUE(c.InGroup(e));
            EXPECT_EQ(e.ErrorCode, c.Code);
            EXPECT_EQ(e.Message, LookupMessage(c.Code));
        }
    }
}

TEST(QeExcept, UnmappedCodesRaiseTheGeneralException) {
    for (Integer code : {-9999, -1001, -3002, -4009, -7009, -8050, -13804, -13934, -13980 - 1, -16000}) {
        SCOPED_TRACE(code);
        try {
            RaiseForCode(nullptr, code);
            ADD_FAILURE() << "no exception";
        } catch (const EQELException& e) {
            EXPECT_STREQ(e.ClassName(), "EQELException");
            EXPECT_EQ(e.Message, "Tolk exception");
            EXPECT_EQ(e.ErrorCode, 0);
        }
    }
}

TEST(QeExcept, FileAndDeviceCodesRaiseTheRuntimeErrors) {
    struct Case {
        Integer Code;
        String Text;
    };
    for (const Case& c : std::vector<Case>{{-2, "File not found"},
                                           {-5, "File access denied"},
                                           {-162, "General failure"},
                                           {-100, LookupMessage(-100)}}) {
        SCOPED_TRACE(c.Code);
        try {
            RaiseForCode(nullptr, c.Code);
            ADD_FAILURE() << "no exception";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.ErrorCode, -c.Code);
            EXPECT_EQ(e.Message, c.Text);
        }
    }
    try {
        RaiseForCode(nullptr, -8);
        ADD_FAILURE() << "no exception";
    } catch (const EOutOfMemory& e) {
        EXPECT_EQ(e.Message, "Insufficient memory");
    }
}

TEST(QeExcept, SuccessStatusAndLoadingReturnTheCode) {
    EXPECT_EQ(RaiseForCode(nullptr, 0), 0);
    EXPECT_EQ(RaiseForCode(nullptr, 2007), 2007);

    TComponent port(nullptr);
    port.IncludeComponentState(csLoading);
    EXPECT_EQ(RaiseForCode(&port, -2001), -2001);
    EXPECT_EQ(RaiseForCode(&port, -8), -8);
    port.ExcludeComponentState(csLoading);
    EXPECT_THROW(RaiseForCode(&port, -2001), EBadId);
}

// Every negative row of the table raises an exception carrying the row's text; the classes
// reached are the 160 leaves and the group EProtocol, each at least once.
TEST(QeExcept, EveryLeafIsReachedFromTheTable) {
    std::set<std::string> classes;
    for (const auto& row : QeMessageNumberLookup()) {
        if (row.Code >= 0) continue;
        SCOPED_TRACE(row.Code);
        try {
            RaiseForCode(nullptr, row.Code);
            ADD_FAILURE() << "no exception";
        } catch (const EQELException& e) {
            if (e.ErrorCode == 0) {
                EXPECT_EQ(e.Message, "Tolk exception");
                continue;
            }
            EXPECT_EQ(e.ErrorCode, row.Code);
            EXPECT_EQ(e.Message, LookupMessage(row.Code));
            classes.insert(e.ClassName());
        } catch (const Exception& e) {
            EXPECT_TRUE(Is<EInOutError>(e) || Is<EOutOfMemory>(e)) << e.ClassName();
        }
    }
    EXPECT_EQ(classes.size(), 161u);
    EXPECT_EQ(classes.count("EQELException"), 0u);
    EXPECT_EQ(classes.count("EProtocol"), 1u);
}

TEST(QeExcept, TextConstructorCarriesNoCode) {
    EQELException byText("Dispatcher already started");
    EXPECT_EQ(byText.Message, "Dispatcher already started");
    EXPECT_EQ(byText.ErrorCode, 0);
    EQELException byCode(-2007);
    EXPECT_EQ(byCode.Message, "ie_NOpen - device not open");
    EXPECT_EQ(byCode.ErrorCode, -2007);
}

} // namespace
