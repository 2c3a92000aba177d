// The class library's exception tree.
//
// Every failure of the class library and of the system is an exception of
// its own class derived from Exception. Exception is also a std::exception,
// so that what() gives the message to code that only knows the standard.
// Classes are listed parent first; "Obj.Is<EFoo>()" and dynamic_cast both
// work.
#pragma once

#include <exception>

#include "platform/rtl/system.h"

class Exception : public TObject, public std::exception {
  RTL_DECLARE_CLASS(Exception)
 public:
  explicit Exception(String Msg = String()) : FMessage(std::move(Msg)) {}
  Exception(String Msg, int AHelpContext)
      : FMessage(std::move(Msg)), FHelpContext(AHelpContext) {}
  Exception(const Exception& E)
      : TObject(), std::exception(), FMessage(E.FMessage), FHelpContext(E.FHelpContext) {}

  const String& Message() const { return FMessage; }
  void SetMessage(const String& Msg) { FMessage = Msg; }
  int HelpContext() const { return FHelpContext; }
  void SetHelpContext(int H) { FHelpContext = H; }

  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  String FMessage;
  int FHelpContext = 0;
};

// Declares "class Name : public Parent" with the parent's constructors.
#define RTL_DECLARE_EXCEPTION(Name, Parent) \
  class Name : public Parent {              \
    RTL_DECLARE_CLASS(Name)                 \
   public:                                  \
    using Parent::Parent;                   \
  };

// The silent exception: aborts the current operation without a message.
RTL_DECLARE_EXCEPTION(EAbort, Exception)
RTL_DECLARE_EXCEPTION(EOutOfMemory, Exception)
RTL_DECLARE_EXCEPTION(EInvalidPointer, Exception)
RTL_DECLARE_EXCEPTION(EInvalidCast, Exception)
RTL_DECLARE_EXCEPTION(EConvertError, Exception)
RTL_DECLARE_EXCEPTION(EAssertionFailed, Exception)
RTL_DECLARE_EXCEPTION(EAccessViolation, Exception)
RTL_DECLARE_EXCEPTION(EPrivilege, Exception)
RTL_DECLARE_EXCEPTION(EVariantError, Exception)
RTL_DECLARE_EXCEPTION(EExternal, Exception)

RTL_DECLARE_EXCEPTION(EIntError, Exception)
RTL_DECLARE_EXCEPTION(EDivByZero, EIntError)
RTL_DECLARE_EXCEPTION(ERangeError, EIntError)
RTL_DECLARE_EXCEPTION(EIntOverflow, EIntError)
RTL_DECLARE_EXCEPTION(EMathError, Exception)
RTL_DECLARE_EXCEPTION(EInvalidOp, EMathError)
RTL_DECLARE_EXCEPTION(EZeroDivide, EMathError)
RTL_DECLARE_EXCEPTION(EOverflow, EMathError)
RTL_DECLARE_EXCEPTION(EUnderflow, EMathError)

// An I/O failure with the operating system's error code.
class EInOutError : public Exception {
  RTL_DECLARE_CLASS(EInOutError)
 public:
  explicit EInOutError(String Msg = String(), int Code = 0)
      : Exception(std::move(Msg)), ErrorCode(Code) {}
  int ErrorCode;
};

// A failed operating-system call, with its (Win32-numbered) error code.
class EOSError : public Exception {
  RTL_DECLARE_CLASS(EOSError)
 public:
  explicit EOSError(String Msg = String(), Cardinal Code = 0)
      : Exception(std::move(Msg)), ErrorCode(Code) {}
  Cardinal ErrorCode;
};

RTL_DECLARE_EXCEPTION(EStreamError, Exception)
RTL_DECLARE_EXCEPTION(EFCreateError, EStreamError)
RTL_DECLARE_EXCEPTION(EFOpenError, EStreamError)
RTL_DECLARE_EXCEPTION(EFilerError, EStreamError)
RTL_DECLARE_EXCEPTION(EReadError, EFilerError)
RTL_DECLARE_EXCEPTION(EWriteError, EFilerError)
RTL_DECLARE_EXCEPTION(EClassNotFound, EFilerError)
RTL_DECLARE_EXCEPTION(EMethodNotFound, EFilerError)
RTL_DECLARE_EXCEPTION(EInvalidImage, EFilerError)
RTL_DECLARE_EXCEPTION(EResNotFound, Exception)
RTL_DECLARE_EXCEPTION(EListError, Exception)
RTL_DECLARE_EXCEPTION(EStringListError, Exception)
RTL_DECLARE_EXCEPTION(EBitsError, Exception)
RTL_DECLARE_EXCEPTION(EComponentError, Exception)
RTL_DECLARE_EXCEPTION(EPropertyError, Exception)
RTL_DECLARE_EXCEPTION(EPropertyConvertError, Exception)
RTL_DECLARE_EXCEPTION(EInvalidOperation, Exception)
RTL_DECLARE_EXCEPTION(EOutOfResources, Exception)
RTL_DECLARE_EXCEPTION(EThread, Exception)
RTL_DECLARE_EXCEPTION(EParserError, Exception)

// Raises EAbort: ends the current operation without showing a message.
[[noreturn]] void Abort();
