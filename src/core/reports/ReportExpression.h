#pragma once

#include "ReportValue.h"

#include <QString>
#include <memory>
#include <stdexcept>

// One bracketed expression of a text box, parsed once when the template is loaded.
//
//   expression := term (('+' | '-') term)*
//   term       := factor (('*' | '/') factor)*
//   factor     := '<' expression '>' | '(' expression ')' | '-' factor | number
//               | 'text' | SOURCE '.' "FIELD" | COUNT '(' BAND [',' FLAG] ')'
//               | SUM '(' expression ',' BAND [',' FLAG] ')' | NAME
//
// NAME may end with '#' (Page#, TotalPages#, Line#). A flag of 2 makes an aggregate run on
// over the pages instead of starting again on each page.
struct ReportExpr {
    enum Kind { Number, Text, Field, Name, Count, Sum, Add, Subtract, Multiply, Divide, Negate };
    Kind kind = Number;
    double number = 0;
    QString text;         // Text: the literal; Field: field name; Name: identifier; Count/Sum: band
    QString source;       // Field: data source name
    int flag = 0;         // Count/Sum: third argument
    int accumulator = -1; // Count/Sum: index of the running figures, set by the template
    QString
        innerText; // Sum: the summed expression as written (aggregates sharing it share figures)
    std::unique_ptr<ReportExpr> a, b;
};

struct ExpressionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Parses the text between the brackets; throws ExpressionError.
std::unique_ptr<ReportExpr> parseExpression(const QString &text);

// What an expression needs from the report being prepared.
class ReportScope
{
public:
    virtual ~ReportScope() = default;
    virtual ReportValue field(const QString &source, const QString &name) = 0;
    virtual ReportValue name(const QString &identifier) = 0;
    virtual ReportValue aggregate(const ReportExpr &aggregate) = 0;
};

// a + b, a - b, a * b or a / b as an expression computes them (k is Add, Subtract, Multiply
// or Divide): money plus or minus money stays exact money; aggregates sum through it too.
ReportValue arithmetic(ReportExpr::Kind k, const ReportValue &a, const ReportValue &b);

// Evaluates an expression. Arithmetic on numbers gives a number (whole numbers stay whole
// except through '/'); '+' with a text joins texts; nothing counts as 0 next to a number.
ReportValue evaluate(const ReportExpr &e, ReportScope &scope);
