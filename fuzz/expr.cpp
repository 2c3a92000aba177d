// Fuzzes the expression parser and evaluator: any text either parses and
// evaluates or fails with an engine error; nothing else may happen.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/engine/expr.h"

namespace {

// A record of every field type, with fixed values.
class FuzzRecord : public oak::ExprRecordContext {
 public:
  bool FindField(std::string_view Name, oak::ExprFieldInfo& Info) const override {
    static const std::string_view Names[] = {"S", "N", "D", "L", "T", "M", "X"};
    for (int i = 0; i < 7; ++i) {
      if (Name.size() == 1 && (Name[0] & ~0x20) == Names[i][0]) {
        Info.Index = i;
        Info.Type = i == 6 ? oak::ExprType::Null : static_cast<oak::ExprType>(i < 5 ? i + 1 : 1);
        Info.Length = i == 0 ? 10 : 0;
        Info.Decimals = 2;
        return true;
      }
    }
    return false;
  }
  oak::ExprValue FieldValue(int Index) const override {
    switch (Index) {
      case 0: return oak::ExprValue::FromString("Müller    ");
      case 1: return oak::ExprValue::FromNumber(-12.5);
      case 2: return oak::ExprValue::FromDate(2451545);
      case 3: return oak::ExprValue::FromLogical(true);
      case 4: return oak::ExprValue::FromTimestamp(2451545, 1000);
      case 5: return oak::ExprValue::FromString(std::string(300, 'x'));
      default: return oak::ExprValue::Null();
    }
  }
  std::uint32_t RecordNumber() const override { return 7; }
  bool IsDeleted() const override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  FuzzRecord Rec;
  std::string_view Text(reinterpret_cast<const char*>(Data), Size);
  oak::ExprOptions Opt;
  Opt.Now = [] { return 45000.5; };
  try {
    auto E = oak::Expression::Parse(Text, Rec);
    (void)E->ResultLength();
    oak::ExprValue V = E->Evaluate(Rec, Opt);
    (void)V;
    Opt.Exact = true;
    Opt.DateFormat = "DD.MM.YYYY";
    if (E->ResultType() == oak::ExprType::Logical) (void)E->EvaluateLogical(Rec, Opt);
  } catch (const oak::EEngineError&) {
  }
  return 0;
}
