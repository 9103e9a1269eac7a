// expression_lexer.h: the words of an Access expression, as defaults and validation rules
// store them.
//
//   12  1.5  2E3          numbers (always with a point: stored expressions are not localised)
//   "a ""b"""  'it''s'    texts; a doubled quote stands for one
//   #1/31/2020#           dates (expression_date.h lists the forms)
//   iva  [id doc]         names: bare, or in brackets when they hold blanks or symbols
//   ( ) , = <> < > <= >= + - * / & \ ^ . !    symbols
// Keywords (And, Between, ...) are bare names here; the parser gives them their meaning.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mdb/value.h"

namespace mdb {

struct Token {
    enum class Kind { Number, Text, Date, Name, BracketName, Symbol, End };
    Kind kind = Kind::End;
    std::string text;  // the name, the text's characters, or the symbol
    double number = 0;
    DateTime date;
    std::size_t offset = 0;  // where the token starts in the expression
};

// The tokens of `expression`, ending with one End token. Throws Error (Unsupported) naming
// the position for an unterminated text, name or date, a date the forms do not cover, or a
// character that is not part of the language.
std::vector<Token> tokenizeExpression(std::string_view expression);

}  // namespace mdb
