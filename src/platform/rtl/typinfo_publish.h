// Publishing properties and methods: the registration DSL. Part of
// typinfo.h; include that.
//
// In the class's .cpp, after RTL_IMPLEMENT_CLASS (the same file, so that
// whatever links the class also links its registration):
//
//   RTL_PUBLISHED(TOakConnection) {
//     P.Prop("ConnectPath", &TOakConnection::ConnectPath, &TOakConnection::SetConnectPath);
//     P.Prop("IsConnected", &TOakConnection::IsConnected, &TOakConnection::SetConnected)
//         .Stored(&TOakConnection::StoreConnected);
//     P.Field("ReadOnly", &TOakConnection::FReadOnly).Default(false);
//     P.Prop("Color", &TPanel::Color, &TPanel::SetColor).TypeName("TColor").Default(clBtnFace);
//     P.Field("OnConnect", &TOakConnection::OnConnect);      // an event member
//     P.Method("FormCreate", &TFsync::FormCreate);          // a published handler
//   }
//
// Getters may be member functions, data members or lambdas taking T*;
// setters member functions or lambdas taking (T*, V). The property's type
// follows the getter's value type through TPropTraits:
//   integral types -> tkInteger / tkInt64; bool -> Boolean; char -> tkChar;
//   enums declared with RTL_ENUM / RTL_ENUM_INFO -> tkEnumeration;
//   TSet<E> -> tkSet; float/double/Currency -> tkFloat; String -> tkLString;
//   X* with X derived from TObject -> tkClass; std::function<Sig> -> tkMethod.
// Specialise TPropTraits for further value types.
//
// Enumerations with names:
//   RTL_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient);
//   or, for an enum declared elsewhere: RTL_ENUM_INFO(TAlign, alNone, ...);
// at namespace scope in a header; values must run 0..n-1.
//
// Thread safety: registration runs during static initialisation.
#pragma once

#include <concepts>
#include <limits>
#include <type_traits>

#include "platform/rtl/typinfo.h"

// ---- Value traits ------------------------------------------------------

// Maps a property's C++ value type to its type record and representation.
// Members: static PTypeInfo Info(); static TPropValue ToRep(const V&);
// static V FromRep(const TPropValue&).
template <class V>
struct TPropTraits;

template <class V>
PTypeInfo TypeInfo() {
  return TPropTraits<V>::Info();
}

// The type record of an integral type (name, kind and range).
TTypeInfo MakeIntegerTypeInfo(const char* Name, bool Is64, Int64 Min, Int64 Max);

template <class V>
concept RtlIntegerValue =
    std::is_integral_v<V> && !std::is_same_v<V, bool> && !std::is_same_v<V, char>;

template <RtlIntegerValue V>
struct TPropTraits<V> {
  static PTypeInfo Info() {
    static const TTypeInfo I = MakeIntegerTypeInfo(
        Name(), sizeof(V) == 8, sizeof(V) == 8 && !std::is_signed_v<V> ? 0 : Int64(std::numeric_limits<V>::min()),
        sizeof(V) == 8 ? std::numeric_limits<Int64>::max() : Int64(std::numeric_limits<V>::max()));
    return &I;
  }
  static TPropValue ToRep(V Value) { return Int64(Value); }
  static V FromRep(const TPropValue& R) { return static_cast<V>(std::get<Int64>(R)); }
  static const char* Name() {
    if constexpr (sizeof(V) == 8) return "Int64";
    if constexpr (sizeof(V) == 4) return std::is_signed_v<V> ? "Integer" : "Cardinal";
    if constexpr (sizeof(V) == 2) return std::is_signed_v<V> ? "SmallInt" : "Word";
    return std::is_signed_v<V> ? "ShortInt" : "Byte";
  }
};

template <>
struct TPropTraits<bool> {
  static PTypeInfo Info();
  static TPropValue ToRep(bool Value) { return Int64(Value ? 1 : 0); }
  static bool FromRep(const TPropValue& R) { return std::get<Int64>(R) != 0; }
};

template <>
struct TPropTraits<char> {
  static PTypeInfo Info();
  static TPropValue ToRep(char Value) { return Int64(static_cast<unsigned char>(Value)); }
  static char FromRep(const TPropValue& R) { return static_cast<char>(std::get<Int64>(R)); }
};

template <std::floating_point V>
struct TPropTraits<V> {
  static PTypeInfo Info() {
    static const TTypeInfo I = MakeTypeInfo(tkFloat, sizeof(V) == 4 ? "Single" : "Double");
    return &I;
  }
  static TPropValue ToRep(V Value) { return double(Value); }
  static V FromRep(const TPropValue& R) { return static_cast<V>(std::get<double>(R)); }
};

// Fixed-point money types (the class library's Currency: FromScaled and
// ToDouble) are floats of the type "Currency".
template <class V>
concept RtlCurrencyValue = requires(const V& C, Int64 N, double D) {
  { V::FromScaled(N) } -> std::same_as<V>;
  { C.ToDouble() } -> std::same_as<double>;
  V(D);
};

template <RtlCurrencyValue V>
struct TPropTraits<V> {
  static PTypeInfo Info() {
    static const TTypeInfo I = MakeTypeInfo(tkFloat, "Currency");
    return &I;
  }
  static TPropValue ToRep(const V& Value) { return Value.ToDouble(); }
  static V FromRep(const TPropValue& R) { return V(std::get<double>(R)); }
};

template <>
struct TPropTraits<String> {
  static PTypeInfo Info();
  static TPropValue ToRep(const String& Value) { return Value; }
  static String FromRep(const TPropValue& R) { return std::get<String>(R); }
};

// Enumerations find their type record through RtlTypeInfoOf (RTL_ENUM_INFO).
template <class V>
  requires std::is_enum_v<V>
struct TPropTraits<V> {
  static PTypeInfo Info() { return RtlTypeInfoOf(static_cast<const V*>(nullptr)); }
  static TPropValue ToRep(V Value) { return Int64(Value); }
  static V FromRep(const TPropValue& R) { return static_cast<V>(std::get<Int64>(R)); }
};

// The type record of "set of" an enumeration.
TTypeInfo MakeSetTypeInfo(PTypeInfo Element);

template <class E>
struct TPropTraits<TSet<E>> {
  static PTypeInfo Info() {
    static const TTypeInfo I = MakeSetTypeInfo(TPropTraits<E>::Info());
    return &I;
  }
  static TPropValue ToRep(TSet<E> Value) { return Int64(Value.Bits()); }
  static TSet<E> FromRep(const TPropValue& R) {
    return TSet<E>::FromBits(static_cast<std::uint64_t>(std::get<Int64>(R)));
  }
};

template <class X>
  requires std::derived_from<X, TObject>
struct TPropTraits<X*> {
  static PTypeInfo Info() {
    static const TTypeInfo I = [] {
      TTypeInfo T = MakeTypeInfo(tkClass, X::StaticClass()->Name);
      T.ClassType = X::StaticClass();
      return T;
    }();
    return &I;
  }
  static TPropValue ToRep(X* Value) { return static_cast<TObject*>(Value); }
  static X* FromRep(const TPropValue& R) { return static_cast<X*>(std::get<TObject*>(R)); }
};

template <class Sig>
struct TPropTraits<std::function<Sig>> {
  using Event = std::function<Sig>;
  static PTypeInfo Info() {
    static const TTypeInfo I = [] {
      TTypeInfo T = MakeTypeInfo(tkMethod, "TMethod");
      T.Signature = &typeid(Sig);
      return T;
    }();
    return &I;
  }
  static TPropValue ToRep(const Event& Value) { return std::any(Value); }
  // An empty std::any clears the event.
  static Event FromRep(const TPropValue& R) {
    const std::any& A = std::get<std::any>(R);
    return A.has_value() ? std::any_cast<Event>(A) : Event();
  }
  // Which published method (if any) the event holds.
  static TMethod Describe(const std::any& A) {
    const Event& E = std::any_cast<const Event&>(A);
    TMethod M;
    if (!E) return M;
    M.IsAssigned = true;
    if (const auto* B = E.template target<TBoundMethod<Sig>>()) {
      M.Data = B->Data;
      M.Name = B->Method->Name;
    }
    return M;
  }
};

// Declares the type record of an existing enumeration (namespace scope).
#define RTL_ENUM_INFO(Type, ...)                                             \
  inline PTypeInfo RtlTypeInfoOf(const Type*) {                              \
    static const TTypeInfo Info = MakeEnumTypeInfo(#Type, #__VA_ARGS__);     \
    return &Info;                                                            \
  }
// Declares an enumeration together with its type record.
#define RTL_ENUM(Type, ...)  \
  enum Type { __VA_ARGS__ }; \
  RTL_ENUM_INFO(Type, __VA_ARGS__)

// ---- Published methods ----------------------------------------------

// Publishes the member function Fn of T under Name: a form description can
// then bind any event of the same signature to it by name.
template <class T, class C, class R, class... Args>
void RegisterMethod(const char* Name, R (C::*Fn)(Args...)) {
  static_assert(std::is_base_of_v<C, T>, "the method must belong to the class or a parent");
  using Sig = R(Args...);
  TMethodInfo M;
  M.Name = Name;
  M.Owner = T::StaticClass();
  M.Signature = &typeid(Sig);
  M.Bind = [Fn](TObject* Instance, const TMethodInfo* Self) {
    TBoundMethod<Sig> B;
    B.Data = Instance;
    B.Method = Self;
    B.Call = MakeMethod<C>(static_cast<T*>(Instance), Fn);
    return std::any(std::function<Sig>(std::move(B)));
  };
  RegisterMethodInfo(T::StaticClass(), std::move(M));
}

// ---- Property builder -----------------------------------------------

// Completes a property during registration (default, stored, type name).
template <class T, class V>
class TPropBuilder {
 public:
  explicit TPropBuilder(TPropInfo& Info) : FInfo(Info) {}
  // The declared default: a value equal to it is not written out.
  TPropBuilder& Default(const V& Value) {
    FInfo.Default = TPropTraits<V>::ToRep(Value);
    return *this;
  }
  TPropBuilder& NoDefault() {
    FInfo.Default.reset();
    return *this;
  }
  TPropBuilder& Stored(bool IsStored) {
    FInfo.StoredConst = IsStored;
    FInfo.StoredFn = nullptr;
    return *this;
  }
  // Stored when Fn(instance) is true (a member function or lambda on T*).
  template <class Fn>
    requires(!std::is_same_v<Fn, bool>)
  TPropBuilder& Stored(Fn Pred) {
    FInfo.StoredFn = [Pred](TObject* O) { return bool(std::invoke(Pred, static_cast<T*>(O))); };
    return *this;
  }
  // Gives the property a named type ("TColor", "TDateTime"); an integer
  // type of that name uses the constants installed for it.
  TPropBuilder& TypeName(const char* Name) {
    FInfo.PropType = InternTypeInfo(*FInfo.PropType, Name);
    return *this;
  }

 private:
  TPropInfo& FInfo;
};

// ---- Publisher ----------------------------------------------------

template <class T>
class TPublisher {
 public:
  // A property read through Get and written through Set.
  template <class G, class S>
  auto Prop(const char* Name, G Get, S Set) {
    using V = ValueOf<G>;
    TPropInfo& P = Add<V>(Name, Get);
    P.Set = [Set](TObject* O, const TPropValue& R) {
      std::invoke(Set, static_cast<T*>(O), TPropTraits<V>::FromRep(R));
    };
    return TPropBuilder<T, V>(P);
  }
  // A read-only property.
  template <class G>
  auto ReadOnly(const char* Name, G Get) {
    return TPropBuilder<T, ValueOf<G>>(Add<ValueOf<G>>(Name, Get));
  }
  // A property read and written directly in a data member.
  template <class V, class C>
  auto Field(const char* Name, V C::*Member) {
    static_assert(std::is_base_of_v<C, T>, "the member must belong to the class or a parent");
    TPropInfo& P = Add<V>(Name, Member);
    P.Set = [Member](TObject* O, const TPropValue& R) {
      static_cast<T*>(O)->*Member = TPropTraits<V>::FromRep(R);
    };
    return TPropBuilder<T, V>(P);
  }
  // A published method (an event handler reachable by name).
  template <class C, class R, class... Args>
  void Method(const char* Name, R (C::*Fn)(Args...)) {
    RegisterMethod<T>(Name, Fn);
  }

 private:
  template <class G>
  using ValueOf = std::remove_cvref_t<std::invoke_result_t<G, T*>>;

  template <class V, class G>
  TPropInfo& Add(const char* Name, G Get) {
    TPropInfo P;
    P.Name = Name;
    P.PropType = TPropTraits<V>::Info();
    P.Get = [Get](TObject* O) -> TPropValue {
      return TPropTraits<V>::ToRep(std::invoke(Get, static_cast<T*>(O)));
    };
    if constexpr (requires(const std::any& A) { TPropTraits<V>::Describe(A); })
      P.DescribeMethod = &TPropTraits<V>::Describe;
    return RegisterPropInfo(T::StaticClass(), std::move(P));
  }
};

template <class T>
bool RunPublisher(void (*Fn)(TPublisher<T>&)) {
  TPublisher<T> P;
  Fn(P);
  return true;
}

// Opens the block that publishes Self's properties and methods; runs once
// at static initialisation. Use in Self's .cpp, at namespace scope.
#define RTL_PUBLISHED(Self)                                                        \
  static void RtlPublish_##Self(TPublisher<Self>& P);                              \
  [[maybe_unused]] static const bool RtlPublished_##Self = RunPublisher<Self>(&RtlPublish_##Self); \
  static void RtlPublish_##Self([[maybe_unused]] TPublisher<Self>& P)
