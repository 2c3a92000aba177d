// The expression language: literals, operators, functions, typing and the
// errors of bad expressions.
#include "platform/engine/expr.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "platform/engine/expr_date.h"
#include "platform/rtl/clock.h"

namespace oak {
namespace {

// One record of an address table, as an expression sees it.
class AddressRecord : public ExprRecordContext {
 public:
  struct Column {
    ExprFieldInfo Info;
    ExprValue Value;
  };
  AddressRecord() {
    Add("NAME", ExprType::String, 20, ExprValue::FromString("Müller              "));
    Add("CITY", ExprType::String, 15, ExprValue::FromString("Berlin         "));
    Add("AMOUNT", ExprType::Number, 0, ExprValue::FromNumber(1234.5), 2);
    Add("BIRTH", ExprType::Date, 0, ExprValue::FromDate(JulianFromYMD(1970, 3, 15)));
    Add("ACTIVE", ExprType::Logical, 0, ExprValue::FromLogical(true));
    Add("STAMP", ExprType::Timestamp, 0, ExprValue::FromTimestamp(JulianFromYMD(2024, 1, 2), 3600000));
    Add("NOTE", ExprType::String, 0, ExprValue::Null());
  }
  void Add(const String& Name, ExprType T, int Len, ExprValue V, int Dec = 0) {
    Column C;
    C.Info.Index = static_cast<int>(FCols.size());
    C.Info.Type = T;
    C.Info.Length = Len;
    C.Info.Decimals = Dec;
    C.Value = std::move(V);
    FNames[Name] = C.Info.Index;
    FCols.push_back(C);
  }
  void Set(const String& Name, ExprValue V) { FCols[FNames.at(Name)].Value = std::move(V); }
  bool FindField(std::string_view Name, ExprFieldInfo& Info) const override {
    String U(Name);
    for (char& c : U) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    auto It = FNames.find(U);
    if (It == FNames.end()) return false;
    Info = FCols[It->second].Info;
    return true;
  }
  ExprValue FieldValue(int Index) const override { return FCols.at(Index).Value; }
  std::uint32_t RecordNumber() const override { return 42; }
  bool IsDeleted() const override { return Deleted; }
  bool Deleted = false;

 private:
  std::vector<Column> FCols;
  std::map<String, int> FNames;
};

class ExprTest : public ::testing::Test {
 protected:
  ExprValue Eval(const String& Text) {
    return Expression::Parse(Text, Rec)->Evaluate(Rec, Opt);
  }
  bool Holds(const String& Text) {
    return Expression::Parse(Text, Rec)->EvaluateLogical(Rec, Opt);
  }
  String Text(const String& Expr) {
    ExprValue V = Eval(Expr);
    EXPECT_EQ(V.Type, ExprType::String) << Expr;
    return V.Str;
  }
  double Number(const String& Expr) {
    ExprValue V = Eval(Expr);
    EXPECT_EQ(V.Type, ExprType::Number) << Expr;
    return V.Num;
  }
  std::uint32_t ParseError(const String& Expr) {
    try {
      Expression::Parse(Expr, Rec);
    } catch (const EEngineError& E) {
      EXPECT_FALSE(E.Message().empty());
      return E.Code;
    }
    return 0;
  }
  std::uint32_t EvalError(const String& Expr) {
    auto E = Expression::Parse(Expr, Rec);
    try {
      E->Evaluate(Rec, Opt);
    } catch (const EEngineError& Err) {
      return Err.Code;
    }
    return 0;
  }
  std::unique_ptr<Expression> Parsed(const String& Expr) { return Expression::Parse(Expr, Rec); }

  AddressRecord Rec;
  ExprOptions Opt;
};

TEST_F(ExprTest, LiteralsOfEveryKind) {
  EXPECT_EQ(Text("'abc'"), "abc");
  EXPECT_EQ(Text("\"it's\""), "it's");
  EXPECT_EQ(Text("[say \"x\"]"), "say \"x\"");
  EXPECT_DOUBLE_EQ(Number("12.25"), 12.25);
  EXPECT_DOUBLE_EQ(Number(".5"), 0.5);
  EXPECT_EQ(Eval("{2024-12-31}").Julian, JulianFromYMD(2024, 12, 31));
  EXPECT_EQ(Eval("{12/31/2024}").Julian, JulianFromYMD(2024, 12, 31));
  EXPECT_EQ(Eval("{}").Julian, 0);
  EXPECT_TRUE(Eval(".T.").Bool);
  EXPECT_TRUE(Eval(".true.").Bool);
  EXPECT_FALSE(Eval(".F.").Bool);
  EXPECT_FALSE(Eval(".FALSE.").Bool);
}

TEST_F(ExprTest, ArithmeticFollowsPrecedenceAndParentheses) {
  EXPECT_DOUBLE_EQ(Number("1 + 2 * 3"), 7);
  EXPECT_DOUBLE_EQ(Number("(1 + 2) * 3"), 9);
  EXPECT_DOUBLE_EQ(Number("10 - 4 - 3"), 3);
  EXPECT_DOUBLE_EQ(Number("7 / 2"), 3.5);
  EXPECT_DOUBLE_EQ(Number("-AMOUNT + 1"), -1233.5);
  EXPECT_DOUBLE_EQ(Number("--2"), 2);
  EXPECT_EQ(EvalError("AMOUNT / 0"), kExprDivByZero);
}

TEST_F(ExprTest, StringPlusConcatenatesAndMinusMovesBlanks) {
  EXPECT_EQ(Text("'ab ' + 'cd'"), "ab cd");
  EXPECT_EQ(Text("'ab  ' - 'cd'"), "abcd  ");
  EXPECT_EQ(Text("TRIM(CITY) + ', ' + TRIM(NAME)"), "Berlin, Müller");
}

TEST_F(ExprTest, DatesAddDaysAndSubtractToDays) {
  EXPECT_EQ(Eval("BIRTH + 1").Julian, JulianFromYMD(1970, 3, 16));
  EXPECT_EQ(Eval("1 + BIRTH").Julian, JulianFromYMD(1970, 3, 16));
  EXPECT_EQ(Eval("BIRTH - 15").Julian, JulianFromYMD(1970, 2, 28));
  EXPECT_DOUBLE_EQ(Number("{1970-04-15} - BIRTH"), 31);
}

TEST_F(ExprTest, EqualsIsAPrefixMatchUnlessExact) {
  EXPECT_TRUE(Holds("NAME = 'Mü'"));
  EXPECT_TRUE(Holds("NAME = ''"));
  EXPECT_FALSE(Holds("'Mü' = NAME"));
  EXPECT_FALSE(Holds("NAME == 'Müller'"));
  EXPECT_TRUE(Holds("NAME == 'Müller              '"));
  Opt.Exact = true;
  EXPECT_FALSE(Holds("NAME = 'Mü'"));
  EXPECT_TRUE(Holds("NAME = 'Müller'"));
}

TEST_F(ExprTest, EveryComparisonOperatorOnEveryType) {
  EXPECT_TRUE(Holds("AMOUNT > 1000 .AND. AMOUNT >= 1234.5 .AND. AMOUNT < 2000"));
  EXPECT_TRUE(Holds("AMOUNT <= 1234.5 .AND. AMOUNT <> 1 .AND. AMOUNT != 2 .AND. AMOUNT # 3"));
  EXPECT_TRUE(Holds("BIRTH < {1970-03-16} .AND. BIRTH > {1970-03-14} .AND. BIRTH = {1970-03-15}"));
  EXPECT_TRUE(Holds("ACTIVE = .T. .AND. ACTIVE <> .F."));
  EXPECT_TRUE(Holds("STAMP > CTOTS('01/02/2024 00:59:59') .AND. STAMP < CTOTS('01/02/2024 01:00:01')"));
  EXPECT_TRUE(Holds("CITY > 'Bas' .AND. CITY < 'C'"));
  EXPECT_FALSE(Holds("CITY > 'Ber'"));  // compared over the right operand's length
  EXPECT_TRUE(Holds("'rli' $ CITY"));
  EXPECT_FALSE(Holds("'xyz' $ CITY"));
}

TEST_F(ExprTest, LogicalOperatorsShortCircuit) {
  EXPECT_FALSE(Holds(".F. .AND. 1/0 = 1"));
  EXPECT_TRUE(Holds(".T. .OR. 1/0 = 1"));
  EXPECT_TRUE(Holds(".NOT. .F."));
  EXPECT_TRUE(Holds("!(AMOUNT < 0)"));
  EXPECT_TRUE(Holds("NOT ACTIVE = .F. AND ACTIVE"));
  EXPECT_TRUE(Holds(".T. .OR. .F. .AND. .F."));  // .AND. binds tighter
}

TEST_F(ExprTest, TextFunctions) {
  EXPECT_EQ(Text("UPPER('müller')"), "MÜLLER");
  EXPECT_EQ(Text("LOWER('ÄBC')"), "äbc");
  EXPECT_EQ(Text("TRIM('  ab  ')"), "  ab");
  EXPECT_EQ(Text("RTRIM('  ab  ')"), "  ab");
  EXPECT_EQ(Text("LTRIM('  ab  ')"), "ab  ");
  EXPECT_EQ(Text("ALLTRIM('  ab  ')"), "ab");
  EXPECT_EQ(Text("SUBSTR(NAME, 2, 3)"), "üll");
  EXPECT_EQ(Text("SUBSTR('abcdef', 4)"), "def");
  EXPECT_EQ(Text("LEFT(NAME, 2)"), "Mü");
  EXPECT_EQ(Text("RIGHT(TRIM(NAME), 3)"), "ler");
  EXPECT_EQ(Text("CHR(65) + CHR(228)"), "Aä");
  EXPECT_EQ(EvalError("CHR(300)"), kExprRange);
}

TEST_F(ExprTest, NumberFunctions) {
  EXPECT_EQ(Text("STR(AMOUNT)"), "      1235");
  EXPECT_EQ(Text("STR(AMOUNT, 8, 2)"), " 1234.50");
  EXPECT_EQ(Text("STR(AMOUNT, 3)"), "***");
  EXPECT_EQ(Text("STR(-0.001, 5, 2)"), " 0.00");
  EXPECT_DOUBLE_EQ(Number("VAL('  12.5abc')"), 12.5);
  EXPECT_DOUBLE_EQ(Number("VAL('-3')"), -3);
  EXPECT_DOUBLE_EQ(Number("VAL('x')"), 0);
  EXPECT_DOUBLE_EQ(Number("RECNO()"), 42);
}

TEST_F(ExprTest, DateFunctionsUseTheDateFormat) {
  EXPECT_EQ(Text("DTOS(BIRTH)"), "19700315");
  EXPECT_EQ(Text("DTOC(BIRTH)"), "03/15/1970");
  Opt.DateFormat = "DD.MM.YYYY";
  EXPECT_EQ(Text("DTOC(BIRTH)"), "15.03.1970");
  EXPECT_TRUE(Holds("BIRTH = CTOD(\"15.03.1970\")"));
  EXPECT_EQ(Eval("CTOD('31.02.1970')").Julian, 0);
  EXPECT_DOUBLE_EQ(Number("YEAR(BIRTH) * 10000 + MONTH(BIRTH) * 100 + DAY(BIRTH)"), 19700315);
  EXPECT_DOUBLE_EQ(Number("YEAR({})"), 0);
  EXPECT_EQ(Eval("CTOT('13:30:15')").Ms, (13 * 3600 + 30 * 60 + 15) * 1000);
  ExprValue TS = Eval("CTOTS('02.01.2024 01:00:00')");
  EXPECT_EQ(TS.Julian, JulianFromYMD(2024, 1, 2));
  EXPECT_EQ(TS.Ms, 3600000);
}

TEST_F(ExprTest, DateAndNowComeFromTheClock) {
  TSystemTime Start;
  Start.Year = 2026;
  Start.Month = 12;
  Start.Day = 7;
  Start.Hour = 9;
  auto Clock = std::make_shared<TFakeClock>(Start);
  TClockOverride Use(Clock);
  EXPECT_EQ(Eval("DATE()").Julian, JulianFromYMD(2026, 12, 7));
  EXPECT_EQ(Eval("NOW()").Ms, 9 * 3600000);
  Opt.Now = [] { return 2.75; };  // 1 January 1900, 18:00
  EXPECT_EQ(Eval("DATE()").Julian, JulianFromYMD(1900, 1, 1));
  EXPECT_EQ(Eval("NOW()").Ms, 18 * 3600000);
}

TEST_F(ExprTest, EmptyIifAndDeleted) {
  EXPECT_TRUE(Holds("EMPTY(NOTE)"));
  EXPECT_TRUE(Holds("EMPTY('   ') .AND. EMPTY(0) .AND. EMPTY({}) .AND. EMPTY(.F.)"));
  EXPECT_FALSE(Holds("EMPTY(NAME)"));
  EXPECT_EQ(Text("IIF(ACTIVE, 'yes', 'no')"), "yes");
  EXPECT_EQ(Text("IIF(.F., 'yes', 'no')"), "no ");  // padded to the wider branch
  EXPECT_DOUBLE_EQ(Number("IIF(.T., 1, 1/0)"), 1);
  EXPECT_FALSE(Holds("DELETED()"));
  Rec.Deleted = true;
  EXPECT_TRUE(Holds("DELETED()"));
}

TEST_F(ExprTest, NullFieldsActAsEmptyValues) {
  Rec.Set("AMOUNT", ExprValue::Null());
  Rec.Set("NAME", ExprValue::Null());
  EXPECT_TRUE(Holds("AMOUNT = 0"));
  EXPECT_DOUBLE_EQ(Number("AMOUNT + 5"), 5);
  EXPECT_TRUE(Holds("NAME == ''"));
  EXPECT_EQ(Text("UPPER(NAME)"), "");
}

TEST_F(ExprTest, FieldNamesIgnoreCaseAndAliases) {
  EXPECT_TRUE(Holds("city = 'Berlin'"));
  EXPECT_TRUE(Holds("Adressen->City = 'Berlin'"));
  auto E = Parsed("NAME + CITY + name");
  ASSERT_EQ(E->Fields().size(), 2u);
  EXPECT_EQ(E->Fields()[0], 0);
  EXPECT_EQ(E->Fields()[1], 1);
}

TEST_F(ExprTest, ResultTypeAndKeyWidth) {
  struct Case {
    const char* Text;
    ExprType Type;
    int Length;
  } Cases[] = {
      {"UPPER(NAME)", ExprType::String, 20},     {"NAME + CITY", ExprType::String, 35},
      {"STR(AMOUNT, 10, 2)", ExprType::String, 10}, {"DTOS(BIRTH)", ExprType::String, 8},
      {"LEFT(NAME, 5)", ExprType::String, 5},    {"SUBSTR(NAME, 3, 4)", ExprType::String, 4},
      {"SUBSTR(NAME, 18)", ExprType::String, 3}, {"AMOUNT", ExprType::Number, 8},
      {"BIRTH", ExprType::Date, 4},              {"ACTIVE", ExprType::Logical, 1},
      {"STAMP", ExprType::Timestamp, 8},         {"NOTE", ExprType::String, 0},
      {"IIF(ACTIVE, NAME, CITY)", ExprType::String, 20},
  };
  for (const Case& C : Cases) {
    auto E = Parsed(C.Text);
    EXPECT_EQ(E->ResultType(), C.Type) << C.Text;
    EXPECT_EQ(E->ResultLength(), C.Length) << C.Text;
  }
}

TEST_F(ExprTest, SyntaxErrorsAreReportedNotCrashed) {
  for (const char* Bad : {"", "   ", "(1 + 2", "1 +", "NAME = ", "'open", "[open", "{2024-13-01}",
                          "1 2", ".X.", ".AND", "@", "NAME ->", "UPPER(NAME", "UPPER(NAME,)"})
    EXPECT_EQ(ParseError(Bad), kExprSyntax) << Bad;
}

TEST_F(ExprTest, SemanticErrorsCarryTheirCodes) {
  EXPECT_EQ(ParseError("NOSUCH = 1"), kExprUnknownField);
  EXPECT_EQ(ParseError("FOO(1)"), kExprUnknownFunction);
  EXPECT_EQ(ParseError("NAME + 1"), kExprTypeMismatch);
  EXPECT_EQ(ParseError("AMOUNT = 'x'"), kExprTypeMismatch);
  EXPECT_EQ(ParseError("UPPER(AMOUNT)"), kExprTypeMismatch);
  EXPECT_EQ(ParseError(".NOT. AMOUNT"), kExprTypeMismatch);
  EXPECT_EQ(ParseError("IIF(ACTIVE, 1, 'x')"), kExprTypeMismatch);
  EXPECT_EQ(ParseError("SUBSTR(NAME)"), kExprArgCount);
  EXPECT_EQ(ParseError("DATE(1)"), kExprArgCount);
  EXPECT_EQ(ParseError(String(300, '(') + "1" + String(300, ')')), kExprTooComplex);
  auto E = Parsed("AMOUNT + 1");
  try {
    E->EvaluateLogical(Rec, Opt);
    ADD_FAILURE() << "a numeric expression passed as a condition";
  } catch (const EEngineError& Err) {
    EXPECT_EQ(Err.Code, kExprNotLogical);
  }
}

TEST_F(ExprTest, ErrorTextNamesThePosition) {
  try {
    Expression::Parse("NAME = NOSUCH", Rec);
    ADD_FAILURE();
  } catch (const EEngineError& E) {
    EXPECT_NE(E.Message().find("NOSUCH"), String::npos);
    EXPECT_NE(E.Message().find("position 8"), String::npos);
  }
}

TEST_F(ExprTest, FilterTextsOfTheDatasetLayerEvaluate) {
  Opt.DateFormat = "DD.MM.YYYY";
  EXPECT_TRUE(Holds("(UPPER(NAME) = UPPER(\"mü\")) AND (ACTIVE = .TRUE.)"));
  EXPECT_TRUE(Holds("(BIRTH = ctod(\"15.03.1970\")) .and. (empty(NOTE))"));
  EXPECT_TRUE(Holds("(CITY == \"Berlin         \")"));
  EXPECT_EQ(Text("\"say \" + Chr(34) + \"hi\" + Chr(34)"), "say \"hi\"");
  EXPECT_TRUE(Holds("(AMOUNT = 1234.5)"));
}

TEST_F(ExprTest, ContainsFindsWordsAndPrefixes) {
  Rec.Set("NOTE", ExprValue::FromString("Lieferung an Müller-Lüdenscheid, Hof 3"));
  EXPECT_TRUE(Holds("CONTAINS(NOTE, 'müller')"));
  EXPECT_TRUE(Holds("CONTAINS(NOTE, 'lief* AND hof')"));
  EXPECT_FALSE(Holds("CONTAINS(NOTE, 'lief')"));
  EXPECT_FALSE(Holds("CONTAINS(NOTE, 'müller paket')"));
}

TEST(ExprDateTest, JulianDaysRoundTripAndFormat) {
  EXPECT_EQ(JulianFromYMD(2000, 1, 1), 2451545);
  EXPECT_EQ(JulianFromYMD(1899, 12, 30), kJulianOfDateZero);
  EXPECT_EQ(JulianFromYMD(2023, 2, 29), 0);
  for (std::int32_t J = JulianFromYMD(1899, 1, 1); J < JulianFromYMD(2101, 1, 1); J += 7) {
    int Y, M, D;
    YMDFromJulian(J, Y, M, D);
    ASSERT_EQ(JulianFromYMD(Y, M, D), J);
    std::int32_t Back = 0;
    ASSERT_TRUE(ParseJulian(FormatJulian(J, "DD.MM.CCYY"), "dd.mm.ccyy", Back));
    ASSERT_EQ(Back, J);
  }
  EXPECT_EQ(FormatJulian(0, "DD.MM.YYYY"), "          ");
  std::int32_t J = 0;
  EXPECT_TRUE(ParseJulian("1.2.99", "DD.MM.YY", J));
  EXPECT_EQ(J, JulianFromYMD(1999, 2, 1));
  EXPECT_FALSE(ParseJulian("1.2", "DD.MM.YYYY", J));
}

}  // namespace
}  // namespace oak
