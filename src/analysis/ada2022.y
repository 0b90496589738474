/* The grammar of Ada 2022 for the modern analysis: an LALR(1) grammar for
   byacc written from the syntax summary of the Ada 2022 Reference Manual
   (Annex P), in the order of its clauses. Where two constructs cannot be
   told apart with one token of lookahead, a rule accepts their union (a call,
   an indexed component, a slice, a conversion and a constraint are all
   "name (values)"); the analysis only needs the units, not the meaning. The
   build checks the automaton (run_byacc.cmake); each expected conflict is a
   real ambiguity of the language that the yacc default settles as Ada does.
   Operator precedence is declared rather than spelled out level by level,
   and the most frequent symbols skip their unit rules: this parser reads
   whole files where the Ada 95 one gives up early, and must not be slower.

   The actions are the recogniser calls of the Ada 95 grammar (actions.h),
   unchanged: only program units enter and leave, and only library units
   become records. byacc gives $$ a copy of $1 before each action. */

%{
#include "analysis/actions.h"
#include "analysis/context.h"
#include "analysis/parser.h"
#include "analysis/scanner.h"
#include "analysis/with_clauses.h"
#include "core/memory.h"

#define YYSTYPE TokenValue
/* The stacks grow with the nesting of the input, as far as memory goes:
   GNAT takes any depth, and the Ada 95 parser's fixed limit is its own. A
   stack that cannot grow is an allocation failure like any other. */
#define YYINITSTACKSIZE 500
#define YYMAXDEPTH (1u << 28)
#define realloc(block, size) checked_realloc(block, size)
/* The one scanner, under this parser's prefix; once the file has had a
   syntax error, through token_after_error (see the end). */
static int token_after_error(TokenValue* value, AnalysisContext* context);
#define ac_y22lex(value, context)                                        \
  ((context)->scanner.syntax_error ? token_after_error(value, context) \
                                   : ac_yylex(value, context))
%}

/* The codes of the Ada 95 grammar, which the scanner returns (tokens.h). */
%token DOT_DOT 257  LT_LT 258  BOX 259  LT_EQ 260  EXPON 261
%token NOT_EQ 262  GT_GT 263  GT_EQ 264  ASSIGN 265  ARROW 266
%token KW_ABORT 267  KW_ABS 268  KW_ABSTRACT 269  KW_ACCEPT 270  KW_ACCESS 271
%token KW_ALIASED 272  KW_ALL 273  KW_AND 274  KW_ARRAY 275  KW_AT 276
%token KW_BEGIN 277  KW_BODY 278  KW_CASE 279  KW_CONSTANT 280  KW_DECLARE 281
%token KW_DELAY 282  KW_DELTA 283  KW_DIGITS 284  KW_DO 285  KW_ELSE 286
%token KW_ELSIF 287  KW_END 288  KW_ENTRY 289  KW_EXCEPTION 290  KW_EXIT 291
%token KW_FOR 292  KW_FUNCTION 293  KW_GENERIC 294  KW_GOTO 295  KW_IF 296
%token KW_IN 297  KW_IS 298  KW_LIMITED 299  KW_LOOP 300  KW_MOD 301
%token KW_NEW 302  KW_NOT 303  KW_NULL 304  KW_OF 305  KW_OR 306
%token KW_OTHERS 307  KW_OUT 308  KW_PACKAGE 309  KW_PRAGMA 310  KW_PRIVATE 311
%token KW_PROCEDURE 312  KW_PROTECTED 313  KW_RAISE 314  KW_RANGE 315  KW_RECORD 316
%token KW_REM 317  KW_RENAMES 318  KW_REQUEUE 319  KW_RETURN 320  KW_REVERSE 321
%token KW_SELECT 322  KW_SEPARATE 323  KW_SUBTYPE 324  KW_TAGGED 325  KW_TASK 326
%token KW_TERMINATE 327  KW_THEN 328  KW_TYPE 329  KW_UNTIL 330  KW_USE 331
%token KW_WHEN 332  KW_WHILE 333  KW_WITH 334  KW_XOR 335
%token KW_INTERFACE 336  KW_OVERRIDING 337  KW_SYNCHRONIZED 338  KW_SOME 339
%token CHAR_LITERAL 340  IDENTIFIER 341  STRING_LITERAL 342  NUMERIC_LITERAL 343
/* The one word Ada 2022 reserves beyond those. */
%token KW_PARALLEL 344

/* The logical, adding and multiplying operators by precedence (4.5),
   lowest first: an expression and a simple expression are one rule each
   instead of a rule per level, which halves the reductions of every
   operand. Relations are not associative and need no precedence. */
%left KW_AND KW_OR KW_XOR
%left '+' '-' '&'
%nonassoc UNARY_ADDING
%left '*' '/' KW_MOD KW_REM

%start compilation

/* Reentrant: all state is in the analysis context the parser is given. */
%pure-parser
%parse-param { AnalysisContext* context }
%lex-param { AnalysisContext* context }

/* The ambiguities of the language listed in CMakeLists.txt. */
%expect 9
%expect-rr 0

%%

/* 2.8 Pragmas */

pragma
    : KW_PRAGMA pragma_identifier ';'
    | KW_PRAGMA pragma_identifier '(' pragma_argument_list ')' ';'
    | KW_PRAGMA error ';'
    ;

/* A reserved word names a pragma too: the obsolescent "pragma Interface"
   predates the word, and GNAT takes any unknown pragma. */
pragma_identifier
    : identifier
    | reserved_word
    ;

reserved_word
    : KW_ABORT | KW_ABS | KW_ABSTRACT | KW_ACCEPT | KW_ACCESS | KW_ALIASED | KW_ALL
    | KW_AND | KW_ARRAY | KW_AT | KW_BEGIN | KW_BODY | KW_CASE | KW_CONSTANT
    | KW_DECLARE | KW_DELAY | KW_DELTA | KW_DIGITS | KW_DO | KW_ELSE | KW_ELSIF
    | KW_END | KW_ENTRY | KW_EXCEPTION | KW_EXIT | KW_FOR | KW_FUNCTION | KW_GENERIC
    | KW_GOTO | KW_IF | KW_IN | KW_INTERFACE | KW_IS | KW_LIMITED | KW_LOOP | KW_MOD
    | KW_NEW | KW_NOT | KW_NULL | KW_OF | KW_OR | KW_OTHERS | KW_OUT | KW_OVERRIDING
    | KW_PACKAGE | KW_PRAGMA | KW_PRIVATE | KW_PROCEDURE | KW_PROTECTED | KW_RAISE
    | KW_RANGE | KW_RECORD | KW_REM | KW_RENAMES | KW_REQUEUE | KW_RETURN | KW_REVERSE
    | KW_SELECT | KW_SEPARATE | KW_SOME | KW_SUBTYPE | KW_SYNCHRONIZED | KW_TAGGED
    | KW_TASK | KW_TERMINATE | KW_THEN | KW_TYPE | KW_UNTIL | KW_USE | KW_WHEN
    | KW_WHILE | KW_WITH | KW_XOR
    ;

pragma_argument_list
    : pragma_argument
    | pragma_argument_list ',' pragma_argument
    ;

/* Named by an identifier or an aspect mark (Pre'Class => ...); like the
   only value of a call, a conditional expression needs no parentheses. */
pragma_argument
    : expression
    | conditional_expression
    | name ARROW expression
    ;

pragma_list
    : /* empty */
    | pragma_list pragma
    ;

/* 3.1 Declarations (their list is basic_declarative_item, in 3.11) */

/* What an overriding indicator may stand before (8.3.1); never a library
   unit. A body is accepted here too, even where only declarations stand. */
overridable_declaration
    : subprogram_declaration
    | subprogram_body
    | unit_renaming_declaration
    | body_stub
    ;

/* GNAT does not reserve "parallel" yet, and code written for it may use
   the word as a name; where the word is also a name, "(" after it begins a
   chunk specification. */
identifier
    : IDENTIFIER
    | KW_PARALLEL
    ;

defining_identifier_list
    : IDENTIFIER
    | KW_PARALLEL
    | defining_identifier_list ',' identifier
    ;

/* 3.2.1 Type declarations: full, incomplete, private and private extension,
   one rule; task and protected types are declared with their units. */

type_declaration
    : KW_TYPE identifier discriminant_part_option type_completion ';'
    | KW_TYPE identifier discriminant_part_option KW_IS type_definition aspect_option ';'
    | KW_TYPE identifier discriminant_part_option KW_IS derived_type_definition ';'
    | task_declaration
    | protected_declaration
    ;

type_completion
    : /* empty */
    | KW_IS KW_TAGGED
    ;

type_definition
    : enumeration_type_definition
    | integer_type_definition
    | real_type_definition
    | array_type_definition
    | record_type_definition
    | access_type_definition
    | interface_type_definition
    | private_type_definition
    ;

/* 3.2.2 Subtypes */

subtype_declaration
    : KW_SUBTYPE identifier KW_IS subtype_indication aspect_option ';'
    ;

subtype_indication
    : subtype_mark_with_constraint
    | null_exclusion subtype_mark_with_constraint
    ;

/* An index or discriminant constraint is part of the name. */
subtype_mark_with_constraint
    : name
    | name constraint
    ;

constraint
    : range_constraint
    | digits_constraint
    | delta_constraint
    ;

null_exclusion
    : KW_NOT KW_NULL
    ;

/* 3.3 Objects and named numbers; single tasks and protected objects are
   declared with their units. */

object_declaration
    : defining_identifier_list ':' object_qualifier object_subtype_definition
          initialization_option aspect_option ';'
    ;

object_qualifier
    : /* empty */
    | KW_ALIASED
    | KW_CONSTANT
    | KW_ALIASED KW_CONSTANT
    ;

object_subtype_definition
    : subtype_indication
    | access_definition
    | array_type_definition
    ;

initialization_option
    : /* empty */
    | ASSIGN expression
    ;

number_declaration
    : defining_identifier_list ':' KW_CONSTANT ASSIGN expression ';'
    ;

/* 3.4 Derived types, 3.9.4 interfaces, 7.3 private extensions */

/* With its aspects: "with" begins either an extension or the aspects. */
derived_type_definition
    : derived_prefix KW_NEW subtype_indication aspect_option
    | derived_prefix KW_NEW subtype_indication extension_part aspect_option
    | derived_prefix KW_NEW subtype_indication KW_AND interface_list extension_part
          aspect_option
    ;

extension_part
    : KW_WITH record_definition
    | KW_WITH KW_PRIVATE
    ;

derived_prefix
    : /* empty */
    | KW_ABSTRACT
    | KW_LIMITED
    | KW_SYNCHRONIZED
    | KW_ABSTRACT KW_LIMITED
    | KW_ABSTRACT KW_SYNCHRONIZED
    ;

interface_type_definition
    : interface_kind KW_INTERFACE
    | interface_kind KW_INTERFACE KW_AND interface_list
    ;

interface_kind
    : /* empty */
    | KW_LIMITED
    | KW_TASK
    | KW_PROTECTED
    | KW_SYNCHRONIZED
    ;

interface_list
    : subtype_mark
    | interface_list KW_AND subtype_mark
    ;

/* 3.5 Scalar types */

range_constraint
    : KW_RANGE range
    ;

range
    : simple_expression DOT_DOT simple_expression
    | name '\'' KW_RANGE
    | name '\'' KW_RANGE '(' expression ')'
    ;

enumeration_type_definition
    : '(' enumeration_literal_list ')'
    | '(' error ')'
    ;

enumeration_literal_list
    : enumeration_literal
    | enumeration_literal_list ',' enumeration_literal
    ;

enumeration_literal
    : identifier
    | CHAR_LITERAL
    ;

integer_type_definition
    : range_constraint
    | KW_MOD expression
    ;

real_type_definition
    : KW_DIGITS expression range_constraint_option
    | KW_DELTA expression range_constraint_option
    | KW_DELTA expression KW_DIGITS expression range_constraint_option
    ;

digits_constraint
    : KW_DIGITS simple_expression range_constraint_option
    ;

delta_constraint
    : KW_DELTA simple_expression range_constraint_option
    ;

range_constraint_option
    : /* empty */
    | range_constraint
    ;

/* 3.6 Array types */

array_type_definition
    : KW_ARRAY '(' index_subtype_definition_list ')' KW_OF component_definition
    | KW_ARRAY '(' discrete_range_list ')' KW_OF component_definition
    | KW_ARRAY '(' error ')' KW_OF component_definition
    ;

index_subtype_definition_list
    : index_subtype_definition
    | index_subtype_definition_list ',' index_subtype_definition
    ;

/* GNAT's extension of a fixed lower bound: Index range 1 .. <>. */
index_subtype_definition
    : name KW_RANGE BOX
    | name KW_RANGE simple_expression DOT_DOT BOX
    ;

discrete_range_list
    : discrete_range
    | discrete_range_list ',' discrete_range
    ;

/* Also a discrete subtype definition. */
discrete_range
    : range
    | subtype_indication
    ;

component_definition
    : subtype_indication
    | KW_ALIASED subtype_indication
    | access_definition
    | KW_ALIASED access_definition
    ;

/* 3.7 Discriminants */

discriminant_part_option
    : /* empty */
    | '(' BOX ')'
    | '(' discriminant_specification_list ')'
    | '(' error ')'
    ;

discriminant_specification_list
    : discriminant_specification
    | discriminant_specification_list ';' discriminant_specification
    ;

discriminant_specification
    : defining_identifier_list ':' subtype_mark initialization_option aspect_option
    | defining_identifier_list ':' null_exclusion subtype_mark initialization_option
          aspect_option
    | defining_identifier_list ':' access_definition initialization_option aspect_option
    ;

/* 3.8 Record types */

record_type_definition
    : record_definition
    | KW_LIMITED record_definition
    | tagged_prefix record_definition
    | tagged_prefix KW_LIMITED record_definition
    ;

tagged_prefix
    : KW_TAGGED
    | KW_ABSTRACT KW_TAGGED
    ;

record_definition
    : KW_RECORD component_list KW_END KW_RECORD end_name_option
    | KW_RECORD component_list KW_END error
    | KW_NULL KW_RECORD
    ;

component_list
    : component_item_list
    | component_item_list variant_part pragma_list
    | pragma_list KW_NULL ';' pragma_list
    | error ';'
    ;

component_item_list
    : pragma_list
    | component_item_list component_item pragma_list
    ;

component_item
    : component_declaration
    | aspect_clause
    ;

component_declaration
    : defining_identifier_list ':' component_definition initialization_option
          aspect_option ';'
    ;

variant_part
    : KW_CASE identifier KW_IS pragma_list variant_list KW_END KW_CASE ';'
    | KW_CASE error ';'
    ;

variant_list
    : variant
    | variant_list variant
    ;

variant
    : KW_WHEN choice_list ARROW component_list
    ;

/* A discrete choice; also a key choice and a component choice. */
choice_list
    : choice
    | choice_list '|' choice
    ;

choice
    : expression
    | discrete_with_range
    | KW_OTHERS
    ;

discrete_with_range
    : name range_constraint
    | range
    ;

/* 3.10 Access types */

access_type_definition
    : access_to_object
    | null_exclusion access_to_object
    | access_to_subprogram
    | null_exclusion access_to_subprogram
    ;

access_to_object
    : KW_ACCESS subtype_indication
    | KW_ACCESS KW_ALL subtype_indication
    | KW_ACCESS KW_CONSTANT subtype_indication
    ;

access_to_subprogram
    : KW_ACCESS protected_option KW_PROCEDURE formal_part_option
    | KW_ACCESS protected_option KW_FUNCTION formal_part_option KW_RETURN return_subtype
    ;

protected_option
    : /* empty */
    | KW_PROTECTED
    ;

access_definition
    : access_prefix subtype_mark
    | access_prefix KW_ALL subtype_mark
    | access_prefix KW_CONSTANT subtype_mark
    | access_prefix protected_option KW_PROCEDURE formal_part_option
    | access_prefix protected_option KW_FUNCTION formal_part_option KW_RETURN return_subtype
    ;

access_prefix
    : KW_ACCESS
    | null_exclusion KW_ACCESS
    ;

/* 3.11 Declarative parts */

declarative_part
    : /* empty */
    | declarative_part basic_declarative_item
    | declarative_part proper_body
    ;

/* A basic declaration (3.1), an aspect clause, a use clause or a pragma. */
basic_declarative_item
    : type_declaration
    | subtype_declaration
    | object_declaration
    | number_declaration
    | subprogram_declaration
    | package_declaration
    | renaming_declaration
    | exception_declaration
    | generic_declaration
    | body_stub
    | overriding_indicator overridable_declaration
    | aspect_clause
    | use_clause
    | pragma
    ;

basic_declarative_item_list
    : /* empty */
    | basic_declarative_item_list basic_declarative_item
    ;

proper_body
    : subprogram_body
    | package_body
    | task_body
    | protected_body
    ;

/* 4.1 Names. A name followed by values in parentheses is an indexed
   component, a slice, a call, a conversion or a constrained subtype; a
   qualified expression is a name too. */

/* A direct name is its identifier token itself: one reduction less for
   each of the most frequent symbols; likewise below. */
name
    : IDENTIFIER
    | KW_PARALLEL
    | operator_symbol
    | character_literal_name
    | '@'
    | name '(' value_list ')'               { $$.text = $1.text; }
    | name '.' identifier        { $$.text = join_names(context, $1.text, ".", $3.text); }
    | name '.' character_literal_name
                                  { $$.text = join_names(context, $1.text, ".", $3.text); }
    | name '.' operator_symbol   { $$.text = join_names(context, $1.text, ".", $3.text); }
    | name '.' KW_ALL            { $$.text = join_names(context, $1.text, ".", "all"); }
    | name '\'' attribute_designator
                                  { $$.text = join_names(context, $1.text, "'", $3.text); }
    | name '\'' parenthesized_primary
    | name '\'' bracket_aggregate
    | parallel_prefix
    ;

/* GNAT 12 reads "Parallel (...)" as a name, the language as "parallel"
   and a chunk specification: which one it is shows after the ")", where a
   loop or an iterated association has "for". A chunk specification is a
   value: "C in 1 .. 4" reads as a membership test. */
parallel_prefix
    : KW_PARALLEL '(' value_list ')'
    ;

subtype_mark
    : IDENTIFIER
    | KW_PARALLEL
    | subtype_mark '.' identifier          { $$.text = join_names(context, $1.text, ".", $3.text); }
    | subtype_mark '\'' attribute_designator
    ;

compound_name
    : IDENTIFIER
    | KW_PARALLEL
    | compound_name '.' identifier         { $$.text = join_names(context, $1.text, ".", $3.text); }
    ;

character_literal_name
    : CHAR_LITERAL                          { $$.text = $1.text; }
    ;

operator_symbol
    : STRING_LITERAL                        { $$.text = $1.text; }
    ;

attribute_designator
    : IDENTIFIER
    | KW_PARALLEL
    | KW_ACCESS                             { $$.text = "access"; }
    | KW_DELTA                              { $$.text = "delta"; }
    | KW_DIGITS                             { $$.text = "digits"; }
    | KW_MOD                                { $$.text = "mod"; }
    ;

/* 4.3 Aggregates, with parenthesised expressions and the arguments of
   calls: a value list holds positional and named associations, ranges,
   boxes, iterated associations and, as the only value, a conditional,
   quantified or declare expression. */

/* An expression stands for itself, not through value: the most frequent
   value takes one reduction less. */
value_list
    : expression
    | value
    | value_list ',' expression
    | value_list ',' value
    ;

value
    : discrete_with_range
    | simple_expression DOT_DOT BOX
    | choice_list ARROW expression
    | choice_list ARROW BOX
    | BOX
    | conditional_expression
    | iterated_association
    ;

iterated_association
    : KW_FOR identifier KW_IN choice_list iterator_filter_option key_option ARROW expression
    | KW_FOR identifier KW_IN KW_REVERSE discrete_range iterator_filter_option key_option
          ARROW expression
    | KW_FOR iterator_of iterator_filter_option key_option ARROW expression
    ;

key_option
    : /* empty */
    | KW_USE expression
    ;

parenthesized_primary
    : '(' value_list ')'
    | '(' expression KW_WITH value_list ')'
    | '(' expression KW_WITH KW_NULL KW_RECORD ')'
    | '(' expression KW_WITH KW_DELTA value_list ')'
    | '(' KW_NULL KW_RECORD ')'
    | '(' error ')'
    ;

bracket_aggregate
    : '[' ']'
    | '[' value_list ']'
    | '[' expression KW_WITH KW_DELTA value_list ']'
    | '[' KW_PARALLEL iterated_association ']'
    | '[' parallel_prefix iterated_association ']'
    | '[' error ']'
    ;

/* 4.4 Expressions */

/* A relation, or logical operators between relations. */
expression
    : simple_expression
    | simple_expression relational_operator simple_expression
    | simple_expression KW_IN membership_choice_list
    | simple_expression KW_NOT KW_IN membership_choice_list
    | raise_expression
    | expression KW_AND expression
    | expression KW_OR expression
    | expression KW_XOR expression
    | expression KW_AND KW_THEN expression %prec KW_AND
    | expression KW_OR KW_ELSE expression %prec KW_OR
    ;

relational_operator
    : '='
    | NOT_EQ
    | '<'
    | LT_EQ
    | '>'
    | GT_EQ
    ;

membership_choice_list
    : membership_choice
    | membership_choice_list '|' membership_choice
    ;

/* A subtype mark is a simple expression here. */
membership_choice
    : simple_expression
    | range
    ;

/* A factor, or operators between simple expressions (4.4, 4.5). A name
   stands for itself here, not through primary: the most frequent operand
   takes one reduction less. */
simple_expression
    : name
    | other_primary
    | primary EXPON primary
    | KW_ABS primary
    | KW_NOT primary
    | '+' simple_expression %prec UNARY_ADDING
    | '-' simple_expression %prec UNARY_ADDING
    | simple_expression '+' simple_expression
    | simple_expression '-' simple_expression
    | simple_expression '&' simple_expression
    | simple_expression '*' simple_expression
    | simple_expression '/' simple_expression
    | simple_expression KW_MOD simple_expression
    | simple_expression KW_REM simple_expression
    ;

primary
    : name
    | other_primary
    ;

other_primary
    : NUMERIC_LITERAL
    | KW_NULL
    | allocator
    | parenthesized_primary
    | bracket_aggregate
    | bracket_aggregate '\'' identifier '(' value_list ')'
    ;

/* 4.5.7 to 4.5.9: written in parentheses, or as the only value. */
conditional_expression
    : if_expression
    | case_expression
    | quantified_expression
    | declare_expression
    ;

if_expression
    : KW_IF expression KW_THEN expression elsif_expression_list
    | KW_IF expression KW_THEN expression elsif_expression_list KW_ELSE expression
    ;

elsif_expression_list
    : /* empty */
    | elsif_expression_list KW_ELSIF expression KW_THEN expression
    ;

case_expression
    : KW_CASE expression KW_IS case_expression_alternative_list
    ;

case_expression_alternative_list
    : case_expression_alternative
    | case_expression_alternative_list ',' case_expression_alternative
    ;

case_expression_alternative
    : KW_WHEN choice_list ARROW expression
    ;

quantified_expression
    : KW_FOR quantifier quantified_iterator ARROW expression
    ;

quantifier
    : KW_ALL
    | KW_SOME
    ;

quantified_iterator
    : loop_parameter_specification
    | iterator_of iterator_filter_option
    ;

declare_expression
    : KW_DECLARE declare_item_list KW_BEGIN expression
    ;

declare_item_list
    : /* empty */
    | declare_item_list object_declaration
    | declare_item_list object_renaming_declaration
    ;

/* 11.3 */
raise_expression
    : KW_RAISE name
    | KW_RAISE name KW_WITH simple_expression
    ;

/* 4.8 Allocators. A scalar constraint would run into the operators after
   the allocator; the constraints of the name remain. */

allocator
    : KW_NEW name
    | KW_NEW null_exclusion name
    | KW_NEW '(' name ')' name
    | KW_NEW '(' name ')' null_exclusion name
    ;

/* 5.1 Statements */

/* Labels are items of the sequence: one may also end it. */
sequence_of_statements
    : statement
    | label
    | sequence_of_statements statement
    | sequence_of_statements label
    ;

/* Simple and compound statements (5.1), in one rule. */
statement
    : KW_NULL ';'
    | name ASSIGN expression ';'
    | name ';'
    | exit_statement
    | goto_statement
    | simple_return_statement
    | requeue_statement
    | delay_statement
    | abort_statement
    | raise_statement
    | if_statement
    | case_statement
    | loop_statement
    | block_statement
    | extended_return_statement
    | parallel_block_statement
    | accept_statement
    | select_statement
    | pragma
    | error ';'
    ;

label
    : LT_LT identifier GT_GT
    ;

if_statement
    : KW_IF expression KW_THEN sequence_of_statements elsif_statement_list else_option
          KW_END KW_IF ';'
    | KW_IF error ';'
    ;

elsif_statement_list
    : /* empty */
    | elsif_statement_list KW_ELSIF expression KW_THEN sequence_of_statements
    ;

else_option
    : /* empty */
    | KW_ELSE sequence_of_statements
    ;

case_statement
    : KW_CASE expression KW_IS pragma_list case_statement_alternative_list KW_END KW_CASE ';'
    | KW_CASE error ';'
    ;

case_statement_alternative_list
    : case_statement_alternative
    | case_statement_alternative_list case_statement_alternative
    ;

case_statement_alternative
    : KW_WHEN choice_list ARROW sequence_of_statements
    ;

/* 5.5 Loops. The statement identifier is written out in each form, so
   that no empty rule stands before "parallel". */

loop_statement
    : iteration_scheme basic_loop end_name_option ';'
    | statement_identifier iteration_scheme basic_loop end_name_option ';'
    ;

statement_identifier
    : identifier ':'
    ;

basic_loop
    : KW_LOOP sequence_of_statements KW_END KW_LOOP
    ;

iteration_scheme
    : /* empty */
    | KW_WHILE expression
    | KW_FOR loop_iterator
    | KW_PARALLEL aspect_option KW_FOR loop_iterator
    | parallel_prefix aspect_option KW_FOR loop_iterator
    ;

loop_iterator
    : loop_parameter_specification
    | iterator_of iterator_filter_option
    | procedural_iterator
    ;

/* Also an iterator specification with "in". */
loop_parameter_specification
    : identifier KW_IN reverse_option discrete_range iterator_filter_option
    ;

iterator_of
    : identifier KW_OF reverse_option name
    | identifier ':' loop_parameter_subtype KW_OF reverse_option name
    | identifier ':' loop_parameter_subtype KW_IN reverse_option name
    ;

loop_parameter_subtype
    : subtype_indication
    | access_definition
    ;

reverse_option
    : /* empty */
    | KW_REVERSE
    ;

iterator_filter_option
    : /* empty */
    | KW_WHEN expression
    ;

procedural_iterator
    : '(' defining_identifier_list ')' KW_OF name iterator_filter_option
    | formal_part KW_OF name iterator_filter_option
    ;

/* 5.6 Blocks */

block_statement
    : block_body
    | statement_identifier block_body
    ;

block_body
    : KW_DECLARE declarative_part handled_sequence_of_statements KW_END end_name_option ';'
    | handled_sequence_of_statements KW_END end_name_option ';'
    ;

parallel_block_statement
    : KW_PARALLEL aspect_option KW_DO statements_with_handlers parallel_sequence_list
          KW_END KW_DO ';'
    ;

parallel_sequence_list
    : KW_AND statements_with_handlers
    | parallel_sequence_list KW_AND statements_with_handlers
    ;

handled_sequence_of_statements
    : KW_BEGIN statements_with_handlers
    ;

statements_with_handlers
    : sequence_of_statements
    | sequence_of_statements KW_EXCEPTION pragma_list exception_handler_list
    ;

end_name_option
    : /* empty */
    | designator
    ;

/* 5.7, 5.8, 6.5 */

exit_statement
    : KW_EXIT ';'
    | KW_EXIT name ';'
    | KW_EXIT KW_WHEN expression ';'
    | KW_EXIT name KW_WHEN expression ';'
    ;

/* GNAT's extension of a condition after return, raise and goto. */
goto_statement
    : KW_GOTO name ';'
    | KW_GOTO name KW_WHEN expression ';'
    ;

simple_return_statement
    : KW_RETURN ';'
    | KW_RETURN expression ';'
    | KW_RETURN KW_WHEN expression ';'
    | KW_RETURN expression KW_WHEN expression ';'
    ;

extended_return_statement
    : KW_RETURN extended_return_object ';'
    | KW_RETURN extended_return_object KW_DO statements_with_handlers KW_END KW_RETURN ';'
    ;

/* With aspects, as object declarations have them (AI12-0398). */
extended_return_object
    : identifier ':' object_qualifier return_subtype_indication initialization_option
          aspect_option
    ;

return_subtype_indication
    : subtype_indication
    | access_definition
    ;

/* 6.1 Subprogram declarations. A specification enters its unit; every
   rule that holds one leaves it again. */

subprogram_declaration
    : subprogram_specification aspect_option ';'
        { finish_subprogram_declaration(context, $3); }
    | subprogram_instantiation aspect_option ';' { position_last_unit(context, $3); }
    | subprogram_specification_is KW_ABSTRACT aspect_option ';'
        { finish_abstract_subprogram(context, $4); }
    /* A null procedure is recorded as a declaration, as GNAT does. */
    | subprogram_specification_is KW_NULL aspect_option ';'
        { finish_subprogram_declaration(context, $4); }
    /* An expression function is never a library unit. */
    | subprogram_specification_is parenthesized_primary aspect_option ';' { leave_unit(context); }
    | subprogram_specification_is bracket_aggregate aspect_option ';' { leave_unit(context); }
    ;

subprogram_specification
    : KW_PROCEDURE compound_name formal_part_option
        { begin_procedure(context, $2.text); }
    | KW_FUNCTION designator formal_part_option KW_RETURN return_subtype
        { begin_function(context, $2.text); }
    | KW_FUNCTION designator                { begin_function(context, $2.text); }
    ;

overriding_indicator
    : KW_OVERRIDING
    | KW_NOT KW_OVERRIDING
    ;

/* Aspects may stand before "is" in every form, so that no empty aspect
   part has to be told from the others before "is". */
subprogram_specification_is
    : subprogram_specification aspect_option KW_IS
    ;

designator
    : compound_name                         { $$.text = $1.text; }
    | operator_symbol                       { $$.text = $1.text; }
    ;

return_subtype
    : name
    | null_exclusion name
    | access_definition
    ;

formal_part_option
    : /* empty */
    | formal_part
    ;

formal_part
    : '(' parameter_specification_list ')'
    | '(' error ')'
    ;

parameter_specification_list
    : parameter_specification
    | parameter_specification_list ';' parameter_specification
    ;

/* Written out so that no empty option is reduced in the most frequent
   declaration of all. */
parameter_specification
    : parameter_head
    | parameter_head ASSIGN expression
    | parameter_head KW_WITH aspect_list
    | parameter_head ASSIGN expression KW_WITH aspect_list
    ;

parameter_head
    : defining_identifier_list ':' parameter_subtype
    | defining_identifier_list ':' parameter_mode parameter_subtype
    ;

/* [aliased] mode, not empty */
parameter_mode
    : KW_IN
    | KW_OUT
    | KW_IN KW_OUT
    | KW_ALIASED
    | KW_ALIASED KW_IN
    | KW_ALIASED KW_OUT
    | KW_ALIASED KW_IN KW_OUT
    ;

parameter_subtype
    : subtype_mark
    | null_exclusion subtype_mark
    | access_definition
    ;

mode
    : /* empty */
    | KW_IN
    | KW_OUT
    | KW_IN KW_OUT
    ;

/* 6.3 Subprogram bodies */

subprogram_body
    : subprogram_specification_is declarative_part handled_sequence_of_statements KW_END
          end_name_option ';'
        { finish_subprogram_body(context, $6); }
    ;

/* 7.1 Packages */

package_declaration
    : package_specification ';'             { position_last_unit(context, $2); }
    | package_instantiation aspect_option ';' { position_last_unit(context, $3); }
    ;

/* $-2 is the compound_name of "package Name [aspects] is". */
package_specification_start
    : /* empty */                           { begin_package(context, $-2.text); }
    ;

package_specification_end
    : /* empty */
        { finish_package_declaration(context); }
    ;

package_specification
    : KW_PACKAGE compound_name aspect_option KW_IS package_specification_start
          basic_declarative_item_list private_part_option KW_END package_specification_end
          end_compound_name_option
    ;

private_part_option
    : /* empty */
    | KW_PRIVATE basic_declarative_item_list
    ;

end_compound_name_option
    : /* empty */
    | compound_name
    ;

/* $-2 is the name of "package body Name [aspects] is"; likewise for tasks
   and protected bodies below. */
package_body_start
    : /* empty */                           { begin_package(context, $-2.text); }
    ;

package_body
    : KW_PACKAGE KW_BODY compound_name aspect_option KW_IS package_body_start
          declarative_part package_body_statements_option KW_END end_compound_name_option ';'
        { finish_package_body(context, $11); }
    ;

package_body_statements_option
    : /* empty */
    | handled_sequence_of_statements
    ;

/* 7.3 Private types */

private_type_definition
    : KW_PRIVATE
    | KW_LIMITED KW_PRIVATE
    | tagged_prefix KW_PRIVATE
    | tagged_prefix KW_LIMITED KW_PRIVATE
    ;

/* 8.4 Use clauses */

use_clause
    : KW_USE name_list ';'
    | KW_USE KW_TYPE name_list ';'
    | KW_USE KW_ALL KW_TYPE name_list ';'
    ;

name_list
    : name
    | name_list ',' name
    ;

/* 8.5 Renamings */

renaming_declaration
    : object_renaming_declaration
    | defining_identifier_list ':' KW_EXCEPTION renames_part aspect_option ';'
    | unit_renaming_declaration
    ;

object_renaming_declaration
    : identifier renames_part aspect_option ';'
    | defining_identifier_list ':' object_qualifier subtype_indication renames_part
          aspect_option ';'
    | defining_identifier_list ':' object_qualifier access_definition renames_part
          aspect_option ';'
    ;

unit_renaming_declaration
    : KW_PACKAGE compound_name renames_part aspect_option ';'
        { finish_package_renaming(context, $2.text, $3.text, $5); }
    | subprogram_specification renames_part aspect_option ';'
        { finish_subprogram_renaming(context, $2.text, $4); }
    | generic_formal_part KW_PACKAGE compound_name renames_part aspect_option ';'
        { finish_generic_package_renaming(context, $3.text, $4.text, $6); }
    | generic_formal_part subprogram_specification renames_part aspect_option ';'
        { finish_generic_subprogram_renaming(context, $3.text, $5); }
    ;

renames_part
    : KW_RENAMES name                       { $$.text = $2.text; }
    ;

/* 9.1 Tasks */

task_declaration
    : task_specification ';'                { leave_unit(context); }
    ;

task_specification
    : KW_TASK identifier aspect_option task_definition_option
        { begin_task_declaration(context, $2.text); }
    | KW_TASK KW_TYPE identifier discriminant_part_option aspect_option task_definition_option
        { begin_task_type_declaration(context, $3.text); }
    ;

task_definition_option
    : /* empty */
    | KW_IS interface_prefix_option task_item_list task_private_option KW_END end_name_option
    ;

interface_prefix_option
    : /* empty */
    | KW_NEW interface_list KW_WITH
    ;

task_private_option
    : /* empty */
    | KW_PRIVATE task_item_list
    ;

task_item_list
    : /* empty */
    | task_item_list entry_declaration
    | task_item_list aspect_clause
    | task_item_list pragma
    ;

task_body_start
    : /* empty */                { begin_task_body(context, $-2.text); }
    ;

task_body
    : KW_TASK KW_BODY identifier aspect_option KW_IS task_body_start declarative_part
          handled_sequence_of_statements KW_END end_name_option ';'
        { finish_task_body(context, $11); }
    ;

/* 9.4 Protected units */

protected_declaration
    : protected_specification ';'
    ;

protected_specification
    : KW_PROTECTED identifier aspect_option KW_IS interface_prefix_option protected_definition
    | KW_PROTECTED KW_TYPE identifier discriminant_part_option aspect_option KW_IS
          interface_prefix_option protected_definition
    ;

protected_definition_start
    : /* empty */                           { open_protected_definition(context); }
    ;

protected_definition
    : protected_definition_start protected_operation_declaration_list
          protected_private_option KW_END end_name_option
        { close_protected_definition(context); }
    ;

protected_private_option
    : /* empty */
    | KW_PRIVATE protected_element_declaration_list
    ;

protected_operation_declaration_list
    : /* empty */
    | protected_operation_declaration_list protected_operation_declaration
    ;

protected_operation_declaration
    : subprogram_declaration
    | overriding_indicator subprogram_declaration
    | entry_declaration
    | aspect_clause
    | pragma
    ;

protected_element_declaration_list
    : /* empty */
    | protected_element_declaration_list protected_operation_declaration
    | protected_element_declaration_list component_declaration
    ;

protected_body_start
    : /* empty */                           { begin_protected_body(context, $-2.text); }
    ;

protected_body
    : KW_PROTECTED KW_BODY identifier aspect_option KW_IS protected_body_start
          protected_operation_item_list KW_END end_name_option ';'
        { finish_protected_body(context, $10); }
    ;

protected_operation_item_list
    : /* empty */
    | protected_operation_item_list subprogram_declaration
    | protected_operation_item_list subprogram_body
    | protected_operation_item_list overriding_indicator overridable_declaration
    | protected_operation_item_list entry_body
    | protected_operation_item_list aspect_clause
    | protected_operation_item_list pragma
    ;

/* 9.5 Entries */

entry_declaration
    : entry_header formal_part_option aspect_option ';'
    | entry_header '(' discrete_range ')' formal_part_option aspect_option ';'
    ;

entry_header
    : KW_ENTRY identifier
    | overriding_indicator KW_ENTRY identifier
    ;

entry_body
    : KW_ENTRY identifier formal_part_option aspect_option entry_barrier entry_body_part
    | KW_ENTRY identifier '(' KW_FOR identifier KW_IN discrete_range aspect_option ')'
          formal_part_option aspect_option entry_barrier entry_body_part
    ;

entry_barrier
    : KW_WHEN expression KW_IS
    ;

entry_body_part
    : declarative_part handled_sequence_of_statements KW_END end_name_option ';'
    ;

accept_statement
    : accept_header ';'
    | accept_header KW_DO statements_with_handlers KW_END end_name_option ';'
    | KW_ACCEPT error ';'
    ;

accept_header
    : KW_ACCEPT identifier formal_part_option
    | KW_ACCEPT identifier '(' expression ')' formal_part_option
    ;

requeue_statement
    : KW_REQUEUE name ';'
    | KW_REQUEUE name KW_WITH KW_ABORT ';'
    ;

/* 9.6 to 9.8 */

delay_statement
    : KW_DELAY expression ';'
    | KW_DELAY KW_UNTIL expression ';'
    ;

/* Pragmas may stand before any alternative (2.8), and after a terminate
   alternative's semicolon; elsewhere the statements take them. */
select_statement
    : KW_SELECT pragma_list guarded_select_alternative or_select_list else_option
          KW_END KW_SELECT ';'
    | KW_SELECT pragma_list entry_call_alternative KW_OR pragma_list delay_statement
          statements_option KW_END KW_SELECT ';'
    | KW_SELECT pragma_list entry_call_alternative KW_ELSE sequence_of_statements
          KW_END KW_SELECT ';'
    | KW_SELECT pragma_list triggering_alternative KW_THEN KW_ABORT sequence_of_statements
          KW_END KW_SELECT ';'
    | KW_SELECT error ';'
    ;

guarded_select_alternative
    : select_alternative
    | KW_WHEN expression ARROW pragma_list select_alternative
    ;

or_select_list
    : /* empty */
    | or_select_list KW_OR pragma_list guarded_select_alternative
    ;

select_alternative
    : accept_statement statements_option
    | delay_statement statements_option
    | KW_TERMINATE ';' pragma_list
    ;

entry_call_alternative
    : name ';' statements_option
    ;

triggering_alternative
    : entry_call_alternative
    | delay_statement statements_option
    ;

statements_option
    : /* empty */
    | sequence_of_statements
    ;

abort_statement
    : KW_ABORT name_list ';'
    ;

/* 10.1 Compilation units. Context items, pragmas and library items come
   in any order: what the recogniser needs is each unit and the with
   clauses before it. */

compilation
    : compilation_item_list
    | error
    ;

compilation_item_list
    : /* empty */
    | compilation_item_list compilation_item
    ;

compilation_item
    : with_clause
    | use_clause
    | pragma
    | library_item
        {
          end_compilation_unit(context);
          end_library_unit(context, $1);
        }
    | KW_PRIVATE library_item
        {
          end_compilation_unit(context);
          end_library_unit(context, $1);
        }
    ;

with_clause
    : with_keywords with_name_list ';'
        {
          add_with_clause(context, $2.names);
          add_pending_with_names(context, $2.names);
        }
    ;

with_keywords
    : KW_WITH                               { mark_with_clause(context, false, false); }
    | KW_LIMITED KW_WITH                    { mark_with_clause(context, true, false); }
    | KW_PRIVATE KW_WITH                    { mark_with_clause(context, false, true); }
    | KW_LIMITED KW_PRIVATE KW_WITH         { mark_with_clause(context, true, true); }
    ;

with_name_list
    : compound_name                         { $$.names = with_name(context, $1.text, nullptr); }
    | with_name_list ',' compound_name      { $$.names = with_name(context, $3.text, $1.names); }
    ;

library_item
    : package_declaration
    | package_body
    | subprogram_declaration
    | subprogram_body
    | generic_declaration
    | unit_renaming_declaration
    | subunit
    ;

/* 10.1.3 Subunits; $0 is the parent name of "separate (Parent)". */

subunit_parent_mark
    : /* empty */                           { begin_subunit(context, $0.text); }
    ;

subunit
    : KW_SEPARATE '(' compound_name subunit_parent_mark ')' proper_body
        { end_subunit(context); }
    | KW_SEPARATE '(' compound_name subunit_parent_mark ')' overriding_indicator
          subprogram_body
        { end_subunit(context); }
    ;

/* Aspects may stand before "is", as in the bodies. */
body_stub
    : subprogram_specification_is KW_SEPARATE aspect_option ';'
        { finish_subprogram_stub(context, $4); }
    | KW_PACKAGE KW_BODY compound_name aspect_option KW_IS KW_SEPARATE aspect_option ';'
    | KW_TASK KW_BODY identifier aspect_option KW_IS KW_SEPARATE aspect_option ';'
    | KW_PROTECTED KW_BODY identifier aspect_option KW_IS KW_SEPARATE aspect_option ';'
    ;

/* 11 Exceptions */

exception_declaration
    : defining_identifier_list ':' KW_EXCEPTION aspect_option ';'
    ;

exception_handler_list
    : exception_handler
    | exception_handler_list exception_handler
    ;

exception_handler
    : KW_WHEN exception_choice_list ARROW sequence_of_statements
    | KW_WHEN identifier ':' exception_choice_list ARROW sequence_of_statements
    ;

exception_choice_list
    : exception_choice
    | exception_choice_list '|' exception_choice
    ;

exception_choice
    : name
    | KW_OTHERS
    ;

raise_statement
    : KW_RAISE ';'
    | KW_RAISE name ';'
    | KW_RAISE name KW_WITH expression ';'
    | KW_RAISE name KW_WHEN expression ';'
    | KW_RAISE name KW_WITH expression KW_WHEN expression ';'
    ;

/* 12 Generic units */

generic_declaration
    : generic_formal_part subprogram_specification aspect_option ';'
        { finish_generic_subprogram_declaration(context, $4); }
    | generic_formal_part package_specification ';' { finish_generic_package(context, $3); }
    ;

generic_formal_part
    : KW_GENERIC
    | generic_formal_part generic_formal_declaration
    ;

generic_formal_declaration
    : defining_identifier_list ':' mode subtype_mark initialization_option aspect_option ';'
    | defining_identifier_list ':' mode null_exclusion subtype_mark initialization_option
          aspect_option ';'
    | defining_identifier_list ':' mode access_definition initialization_option
          aspect_option ';'
    | KW_TYPE identifier discriminant_part_option KW_IS formal_type_definition
          formal_type_end ';'
    | KW_TYPE identifier discriminant_part_option KW_IS derived_prefix KW_NEW subtype_mark
          formal_derived_tail ';'
    | KW_TYPE identifier discriminant_part_option type_completion formal_type_end ';'
    | KW_WITH formal_subprogram_specification subprogram_default_option aspect_option ';'
    | KW_WITH KW_PACKAGE identifier KW_IS KW_NEW name aspect_option ';'
    | use_clause
    | pragma
    ;

/* Formal subprograms name no unit: nothing enters the recogniser. */
formal_subprogram_specification
    : KW_PROCEDURE identifier formal_part_option
    | KW_FUNCTION designator formal_part_option KW_RETURN return_subtype
    ;

/* The parenthesised expression is GNAT's extension of a default for a
   formal function. */
subprogram_default_option
    : /* empty */
    | KW_IS name
    | KW_IS BOX
    | KW_IS KW_NULL
    | KW_IS parenthesized_primary
    | KW_IS KW_ABSTRACT
    | KW_IS KW_ABSTRACT name
    | KW_IS KW_ABSTRACT BOX
    ;

/* "with" after a formal derived type begins either "with private" or the
   aspects. */
formal_derived_tail
    : formal_type_end
    | KW_WITH KW_PRIVATE formal_type_end
    | KW_AND interface_list KW_WITH KW_PRIVATE formal_type_end
    ;

/* [or use default_subtype_mark] [aspect_specification] */
formal_type_end
    : aspect_option
    | KW_OR KW_USE subtype_mark aspect_option
    ;

formal_type_definition
    : '(' BOX ')'
    | KW_RANGE BOX
    | KW_MOD BOX
    | KW_DIGITS BOX
    | KW_DELTA BOX
    | KW_DELTA BOX KW_DIGITS BOX
    | array_type_definition
    | access_type_definition
    | interface_type_definition
    | private_type_definition
    ;

subprogram_instantiation
    : subprogram_specification_is generic_actual_part
        { finish_subprogram_instantiation(context); }
    ;

package_instantiation
    : KW_PACKAGE compound_name aspect_option KW_IS generic_actual_part
        { finish_package_instantiation(context, $2.text); }
    ;

generic_actual_part
    : KW_NEW name
    ;

/* 13.1 Aspects and representation clauses */

aspect_option
    : /* empty */
    | KW_WITH aspect_list
    ;

aspect_list
    : aspect
    | aspect_list ',' aspect
    ;

aspect
    : aspect_mark
    | aspect_mark ARROW aspect_definition
    ;

aspect_mark
    : identifier
    | identifier '\'' identifier
    ;

aspect_definition
    : expression
    | global_mode global_designator
    | '(' global_element_list ')'
    ;

/* 6.1.2 and H.7: Global => in out X, or a list of such */
global_mode
    : KW_IN
    | KW_IN KW_OUT
    | KW_OUT
    | KW_OVERRIDING KW_IN
    | KW_OVERRIDING KW_IN KW_OUT
    | KW_OVERRIDING KW_OUT
    ;

global_designator
    : KW_ALL
    | KW_SYNCHRONIZED
    | name
    ;

/* A name after a comma continues the set of the mode before it. Ada 2022
   separates the elements with ";", its drafts with ",". */
global_element_list
    : global_element
    | global_element_list ',' global_element
    | global_element_list ';' global_element
    | global_element_list ',' name
    ;

global_element
    : global_mode global_designator
    | KW_USE name
    | KW_DO name
    ;

aspect_clause
    : KW_FOR subtype_mark KW_USE expression ';'
    | KW_FOR subtype_mark KW_USE KW_AT expression ';'
    | KW_FOR subtype_mark KW_USE KW_RECORD mod_clause_option component_clause_list
          KW_END KW_RECORD end_name_option ';'
    ;

mod_clause_option
    : /* empty */
    | KW_AT KW_MOD expression ';'
    ;

component_clause_list
    : /* empty */
    | component_clause_list subtype_mark KW_AT expression KW_RANGE range ';'
    | component_clause_list pragma
    ;

%%

/* Whatever went wrong, the user sees one warning with the position of the
   token that did not fit. */
void ac_y22error(AnalysisContext* context, const char*) {
  /* The end of input that stands for the next unit is not an error. */
  if (context->scanner.held_token != 0) return;
  context->scanner.syntax_error = true;
  report_not_ada2022(context);
  withdraw_doubtful_units(context);
}

/* The words a compilation unit begins with. Not "private", which begins
   the private part of a package at the start of a line far more often
   than a private unit, nor "use", which rarely begins a unit at all. */
static bool begins_unit(int token) {
  switch (token) {
    case KW_WITH: case KW_LIMITED: case KW_PRAGMA: case KW_PACKAGE: case KW_PROCEDURE:
    case KW_FUNCTION: case KW_GENERIC: case KW_SEPARATE:
      return true;
    default:
      return false;
  }
}

/* Once the file has had a syntax error, a word that begins a compilation
   unit at the start of a line ends the parse there (as the end of input),
   so that what recovery could not mend before it costs no later unit: a
   nested unit is indented, a library unit rarely is. The word is held for
   the parse that resumes there. */
static int token_after_error(TokenValue* value, AnalysisContext* context) {
  Scanner& scanner = context->scanner;
  if (scanner.held_token != 0) {
    int token = scanner.held_token;
    scanner.held_token = 0;
    scanner.syntax_error = false;  // the resumed parse starts afresh
    *value = scanner.held_value;
    return token;
  }
  int token = ac_yylex(value, context);
  if (scanner.column == 1 && begins_unit(token)) {
    scanner.held_token = token;
    scanner.held_value = *value;
    return 0;
  }
  return token;
}

int parse_ada2022(AnalysisContext* context) {
  Scanner& scanner = context->scanner;
  int result = ac_y22parse(context);
  while (scanner.held_token != 0) {
    resume_at_next_unit(context, scanner.held_token);
    result = ac_y22parse(context) | 1;
  }
  return result;
}
