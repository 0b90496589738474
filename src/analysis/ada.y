/* The grammar of Ada 95 (with a few later words) that the analysis parses:
   an LALR(1) grammar for byacc, in this rule order and without precedence
   declarations. byacc checks the conflicts declared below and the build checks
   the whole automaton (1046 states, 46 shift/reduce and 2 reduce/reduce
   conflicts); the conflicts around the reserved words that
   may also be identifiers are resolved the yacc way on purpose.

   The actions only name things and tell the recogniser (actions.h) where units
   begin and end. byacc gives $$ a copy of $1 before each action (zeroes for an
   empty rule), so a rule without action passes its first value on. */

%{
#include "analysis/actions.h"
#include "analysis/parser.h"
#include "analysis/scanner.h"
#include "analysis/with_clauses.h"
#include "core/memory.h"

#define YYSTYPE TokenValue
/* The stacks come from the checked allocation: running out of memory for
   them ends the analysis, it is not a "yacc stack overflow". The skeleton
   calls realloc by name, after including <stdlib.h> itself (a no-op from
   here). */
#include <cstdlib>
#define realloc(block, size) checked_realloc(block, size)
/* Each parse allocates 500 entries when it starts; every growth is refused,
   which reports "yacc stack overflow" and abandons the parse. */
#define YYINITSTACKSIZE 500
#define YYMAXDEPTH 400
%}

/* The one declaration of the token codes: the scanner includes the header
   byacc writes from these lines. */
%token DOT_DOT 257  LT_LT 258  BOX 259  LT_EQ 260  EXPON 261
%token NOT_EQ 262  GT_GT 263  GT_EQ 264  ASSIGN 265  ARROW 266
/* The 69 reserved words of Ada 95, then four later ones. */
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

%start compilation

/* Reentrant: all state is in the analysis context the parser is given. */
%pure-parser
%parse-param { AnalysisContext* context }
%lex-param { AnalysisContext* context }

/* The conflicts around the reserved words that may be identifiers. */
%expect 46
%expect-rr 2

%%

identifier_token
    : IDENTIFIER
    | KW_ABSTRACT
    | KW_ALIASED
    | KW_PROTECTED
    | KW_TAGGED
    | KW_REQUEUE
    | KW_UNTIL
    | KW_INTERFACE
    | KW_OVERRIDING
    | KW_SYNCHRONIZED
    | KW_SOME
    ;

pragma
    : KW_PRAGMA identifier ';'
    | KW_PRAGMA simple_name '(' pragma_argument_list ')' ';'
    ;

pragma_argument_list
    : pragma_argument
    | pragma_argument_list ',' pragma_argument
    ;

pragma_argument
    : expression
    | simple_name ARROW expression
    ;

pragma_list
    : /* empty */
    | pragma_list pragma
    ;

basic_declaration
    : object_declaration
    | type_declaration
    | subtype_declaration
    | subprogram_declaration
    | package_declaration
    | task_declaration
    | protected_declaration
    | exception_declaration
    | generic_declaration
    | renaming_declaration
    | body_stub
    | number_declaration
    ;

object_declaration
    : defining_identifier_list ':' object_qualifier object_subtype_definition
          initialization_option ';'
    ;

defining_identifier_list
    : identifier
    | defining_identifier_list ',' identifier
    ;

/* Empty, before every identifier: where a reserved word may also be an
   identifier, the conflicts are resolved against this reduction. */
identifier_mark
    : /* empty */
    ;

identifier
    : identifier_mark identifier_token      { $$.text = $2.text; }
    ;

object_qualifier
    : /* empty */
    | KW_ALIASED
    | KW_CONSTANT
    | KW_ALIASED KW_CONSTANT
    ;

object_subtype_definition
    : subtype_indication
    | array_type_definition
    ;

initialization_option
    : /* empty */
    | ASSIGN expression
    ;

number_declaration
    : defining_identifier_list ':' KW_CONSTANT ASSIGN expression ';'
    ;

type_declaration
    : KW_TYPE identifier discriminant_part_option type_completion ';'
    ;

discriminant_part_option
    : /* empty */
    | discriminant_part
    | '(' BOX ')'
    ;

type_completion
    : /* empty */
    | KW_IS type_definition
    ;

type_definition
    : enumeration_type_definition
    | integer_type_definition
    | real_type_definition
    | array_type_definition
    | record_type_definition
    | access_type_definition
    | derived_type_definition
    | private_type_definition
    | interface_type_definition
    ;

subtype_declaration
    : KW_SUBTYPE identifier KW_IS subtype_indication ';'
    ;

subtype_indication
    : name constraint
    | name
    | name '(' ')'
    ;

constraint
    : range_constraint
    | decimal_digits_constraint
    | fixed_point_definition
    ;

decimal_digits_constraint
    : KW_DIGITS expression range_constraint_option
    ;

derived_type_definition
    : KW_NEW subtype_indication
    | KW_NEW subtype_indication KW_WITH KW_PRIVATE
    | KW_NEW subtype_indication KW_WITH record_definition
    | KW_ABSTRACT KW_NEW subtype_indication KW_WITH KW_PRIVATE
    | KW_ABSTRACT KW_NEW subtype_indication KW_WITH record_definition
    ;

range_constraint
    : KW_RANGE range
    ;

range
    : simple_expression DOT_DOT simple_expression
    | name '\'' KW_RANGE
    | name '\'' KW_RANGE '(' expression ')'
    | name '\'' KW_RANGE '(' error ')'
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
    : range_specification
    | KW_MOD expression
    ;

range_specification
    : range_constraint
    ;

range_specification_option
    : /* empty */
    | range_specification
    ;

real_type_definition
    : floating_point_definition
    | fixed_point_definition
    ;

floating_point_definition
    : KW_DIGITS expression range_specification_option
    ;

fixed_point_definition
    : KW_DELTA expression range_specification_option
    | KW_DELTA expression KW_DIGITS expression range_specification_option
    ;

array_type_definition
    : unconstrained_array_definition
    | constrained_array_definition
    ;

unconstrained_array_definition
    : KW_ARRAY '(' index_subtype_definition_list ')' KW_OF component_definition
    ;

constrained_array_definition
    : KW_ARRAY index_constraint KW_OF component_definition
    ;

component_definition
    : aliased_option subtype_indication
    ;

aliased_option
    : /* empty */
    | KW_ALIASED
    ;

index_subtype_definition_list
    : index_subtype_definition
    | index_subtype_definition_list ',' index_subtype_definition
    ;

index_subtype_definition
    : name KW_RANGE BOX
    ;

index_constraint
    : '(' discrete_range_list ')'
    | '(' error ')'
    ;

discrete_range_list
    : discrete_range
    | discrete_range_list ',' discrete_range
    ;

discrete_range
    : range
    | name range_constraint_option
    ;

range_constraint_option
    : /* empty */
    | range_constraint
    ;

record_type_definition
    : tagged_option limited_option record_definition
    ;

record_end
    : KW_END KW_RECORD
    | KW_END error
    ;

record_definition
    : KW_RECORD pragma_list component_list record_end
    | KW_NULL KW_RECORD
    ;

tagged_option
    : /* empty */
    | KW_TAGGED
    | KW_ABSTRACT KW_TAGGED
    ;

component_list
    : component_declaration_list variant_part_option
    | variant_part pragma_list
    | KW_NULL ';' pragma_list
    | error ';'
    ;

component_declaration_list
    : component_declaration
    | component_declaration_list pragma_list component_declaration
    ;

variant_part_option
    : pragma_list
    | pragma_list variant_part pragma_list
    ;

component_declaration
    : defining_identifier_list ':' component_definition initialization_option ';'
    ;

discriminant_part
    : '(' discriminant_specification_list ')'
    | '(' error ')'
    ;

discriminant_specification_list
    : discriminant_specification
    | discriminant_specification_list ';' discriminant_specification
    ;

discriminant_specification
    : defining_identifier_list ':' access_definition_option subtype_mark initialization_option
    ;

access_definition_option
    : /* empty */
    | access_prefix
    ;

access_prefix
    : KW_ACCESS
    | KW_NOT KW_NULL KW_ACCESS
    ;

discriminant_direct_name
    : simple_name
    | '(' simple_name ')'
    ;

variant_part
    : KW_CASE discriminant_direct_name KW_IS pragma_list variant_list KW_END KW_CASE ';'
    | KW_CASE error ';'
    ;

variant_list
    : variant
    | variant_list variant
    ;

variant
    : KW_WHEN choice_list ARROW pragma_list component_list
    ;

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

access_type_definition
    : access_prefix subtype_indication
    | access_prefix KW_CONSTANT subtype_indication
    | access_prefix KW_ALL subtype_indication
    | access_prefix access_to_subprogram_definition
    ;

access_to_subprogram_definition
    : protected_option KW_PROCEDURE formal_part_option
    | protected_option KW_FUNCTION formal_part_option KW_RETURN subtype_mark
    ;

protected_option
    : /* empty */
    | KW_PROTECTED
    ;

declarative_part
    : /* empty */
    | declarative_item_or_body_list
    ;

basic_declarative_item_list_option
    : /* empty */
    | basic_declarative_item_list
    ;

basic_declarative_item_list
    : basic_declarative_item
    | basic_declarative_item_list basic_declarative_item
    ;

basic_declarative_item
    : basic_declaration
    | representation_clause
    | use_clause
    | pragma
    ;

declarative_item_or_body_list
    : declarative_item_or_body
    | declarative_item_or_body_list declarative_item_or_body
    ;

declarative_item_or_body
    : proper_body
    | basic_declarative_item
    ;

proper_body
    : subprogram_body
    | package_body
    | task_body
    | protected_body
    ;

name
    : simple_name
    | operator_symbol
    | indexed_component
    | selected_component
    | attribute
    | character_literal_name
    ;

subtype_mark
    : simple_name
    | subtype_mark '\'' attribute_designator
    | subtype_mark '.' simple_name
    ;

simple_name
    : identifier                            { $$.text = $1.text; }
    ;

compound_name
    : simple_name                           { $$.text = $1.text; }
    | compound_name '.' simple_name         { $$.text = join_names(context, $1.text, ".", $3.text); }
    ;

with_name_list
    : compound_name                         { $$.names = with_name(context, $1.text, nullptr); }
    | with_name_list ',' compound_name      { $$.names = with_name(context, $3.text, $1.names); }
    ;

character_literal_name
    : CHAR_LITERAL                          { $$.text = $1.text; }
    ;

operator_symbol
    : STRING_LITERAL                        { $$.text = $1.text; }
    ;

indexed_component
    : name '(' value_list ')'               { $$.text = $1.text; }
    ;

value_list
    : value
    | value_list ',' value
    ;

value
    : expression
    | named_association
    | discrete_with_range
    ;

selected_component
    : name '.' simple_name                  { $$.text = join_names(context, $1.text, ".", $3.text); }
    | name '.' character_literal_name       { $$.text = join_names(context, $1.text, ".", $3.text); }
    | name '.' operator_symbol              { $$.text = join_names(context, $1.text, ".", $3.text); }
    | name '.' KW_ALL                       { $$.text = join_names(context, $1.text, ".", "all"); }
    ;

attribute
    : name '\'' attribute_designator        { $$.text = join_names(context, $1.text, "'", $3.text); }
    ;

attribute_designator
    : identifier                            { $$.text = $1.text; }
    | KW_DIGITS                             { $$.text = "digits"; }
    | KW_DELTA                              { $$.text = "delta"; }
    | KW_ACCESS                             { $$.text = "access"; }
    ;

literal
    : NUMERIC_LITERAL
    | KW_NULL
    ;

aggregate
    : '(' named_association ')'
    | '(' positional_value_list ')'
    | '(' expression KW_WITH value_list ')'
    | '(' expression KW_WITH KW_NULL KW_RECORD ')'
    | '(' KW_NULL KW_RECORD ')'
    | '(' error ')'
    ;

positional_value_list
    : value ',' value
    | positional_value_list ',' value
    | error ',' value
    ;

named_association
    : choice_list ARROW expression
    ;

expression
    : relation
    | expression logical_operator relation
    | expression short_circuit_operator relation
    ;

logical_operator
    : KW_AND
    | KW_OR
    | KW_XOR
    ;

short_circuit_operator
    : KW_AND KW_THEN
    | KW_OR KW_ELSE
    ;

relation
    : simple_expression
    | simple_expression relational_operator simple_expression
    | simple_expression membership_operator range
    | simple_expression membership_operator name
    ;

relational_operator
    : '='
    | NOT_EQ
    | '<'
    | LT_EQ
    | '>'
    | GT_EQ
    ;

membership_operator
    : KW_IN
    | KW_NOT KW_IN
    ;

simple_expression
    : unary_adding_operator term
    | term
    | simple_expression binary_adding_operator term
    ;

unary_adding_operator
    : '+'
    | '-'
    ;

binary_adding_operator
    : '+'
    | '-'
    | '&'
    ;

term
    : factor
    | term multiplying_operator factor
    ;

multiplying_operator
    : '*'
    | '/'
    | KW_MOD
    | KW_REM
    ;

factor
    : primary
    | KW_NOT primary
    | KW_ABS primary
    | primary EXPON primary
    ;

primary
    : literal
    | name
    | allocator
    | qualified_expression
    | parenthesized_primary
    ;

parenthesized_primary
    : aggregate
    | '(' expression ')'
    ;

qualified_expression
    : name '\'' parenthesized_primary
    ;

allocator
    : KW_NEW name
    | KW_NEW qualified_expression
    ;

sequence_of_statements
    : statement
    | sequence_of_statements statement
    ;

statement
    : unlabeled_statement
    | label statement
    ;

unlabeled_statement
    : simple_statement
    | compound_statement
    | pragma
    | error ';'
    ;

simple_statement
    : null_statement
    | assignment_statement
    | exit_statement
    | return_statement
    | goto_statement
    | delay_statement
    | abort_statement
    | raise_statement
    | code_statement
    | requeue_statement
    | procedure_call_statement
    ;

compound_statement
    : if_statement
    | case_statement
    | loop_statement
    | block_statement
    | accept_statement
    | select_statement
    ;

label
    : LT_LT identifier GT_GT
    ;

null_statement
    : KW_NULL ';'
    ;

assignment_statement
    : name ASSIGN expression ';'
    ;

if_statement
    : KW_IF condition_clause_list else_option KW_END KW_IF ';'
    | KW_IF error ';'
    ;

condition_clause_list
    : condition_clause
    | condition_clause_list KW_ELSIF condition_clause
    ;

condition_clause
    : condition_part sequence_of_statements
    ;

condition_part
    : condition KW_THEN
    ;

condition
    : expression
    ;

else_option
    : /* empty */
    | KW_ELSE sequence_of_statements
    ;

case_statement
    : case_header pragma_list case_alternative_list KW_END KW_CASE ';'
    | KW_CASE error ';'
    ;

case_header
    : KW_CASE expression KW_IS
    ;

case_alternative_list
    : /* empty */
    | case_alternative_list case_alternative
    ;

case_alternative
    : KW_WHEN choice_list ARROW sequence_of_statements
    ;

loop_statement
    : label_option iteration_scheme basic_loop end_designator_option ';'
    ;

label_option
    : /* empty */
    | identifier ':'
    ;

iteration_scheme
    : /* empty */
    | KW_WHILE condition
    | iterator_part reverse_option discrete_range
    ;

iterator_part
    : KW_FOR identifier KW_IN
    ;

reverse_option
    : /* empty */
    | KW_REVERSE
    ;

basic_loop
    : KW_LOOP sequence_of_statements KW_END KW_LOOP
    ;

end_designator_option
    : /* empty */
    | designator
    ;

block_statement
    : label_option block_declare_option handled_sequence_of_statements KW_END
          end_designator_option ';'
    ;

block_declare_option
    : /* empty */
    | KW_DECLARE declarative_part
    ;

handled_sequence_of_statements
    : KW_BEGIN statements_with_handlers
    ;

statements_with_handlers
    : sequence_of_statements exception_handler_part_option
    ;

exception_handler_part_option
    : /* empty */
    | exception_handler_part
    ;

exit_statement
    : KW_EXIT name_option when_option ';'
    ;

name_option
    : /* empty */
    | name
    ;

when_option
    : /* empty */
    | KW_WHEN condition
    ;

return_statement
    : KW_RETURN ';'
    | KW_RETURN expression ';'
    ;

goto_statement
    : KW_GOTO name ';'
    ;

subprogram_declaration
    : subprogram_specification ';'
        { finish_subprogram_declaration(context, $2); }
    | subprogram_instantiation ';'          { position_last_unit(context, $2); }
    | subprogram_specification_is KW_ABSTRACT ';'
        { finish_abstract_subprogram(context, $3); }
    ;

subprogram_specification
    : KW_PROCEDURE compound_name formal_part_option
        { begin_procedure(context, $2.text); }
    | KW_FUNCTION designator formal_part_option KW_RETURN name
        { begin_function(context, $2.text); }
    | KW_FUNCTION designator                { begin_function(context, $2.text); }
    ;

designator
    : compound_name                         { $$.text = $1.text; }
    | operator_symbol                       { $$.text = $1.text; }
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

parameter_specification
    : defining_identifier_list ':' mode parameter_subtype initialization_option
    ;

parameter_subtype
    : subtype_mark
    | access_to_subprogram_definition
    ;

mode
    : /* empty */
    | KW_IN
    | KW_OUT
    | KW_IN KW_OUT
    | access_prefix
    ;

subprogram_specification_is
    : subprogram_specification KW_IS
    ;

subprogram_body
    : subprogram_specification KW_IS declarative_part handled_sequence_of_statements KW_END
          end_designator_option ';'
        { finish_subprogram_body(context, $7); }
    ;

procedure_call_statement
    : name ';'
    ;

package_declaration
    : package_specification ';'             { position_last_unit(context, $2); }
    | package_instantiation ';'             { position_last_unit(context, $2); }
    ;

aspect_option
    : /* empty */
    | KW_WITH simple_name
    ;

/* $-2 is the compound_name of "package Name [with Aspect] is". */
package_specification_start
    : /* empty */                           { begin_package(context, $-2.text); }
    ;

package_specification_end
    : /* empty */
        { finish_package_declaration(context); }
    ;

package_specification
    : KW_PACKAGE compound_name aspect_option KW_IS package_specification_start
          basic_declarative_item_list_option private_part_option KW_END package_specification_end
          end_compound_name_option
    ;

private_part_option
    : /* empty */
    | KW_PRIVATE basic_declarative_item_list_option
    ;

end_compound_name_option
    : /* empty */
    | compound_name
    ;

/* $-1 is the name of "package body Name is"; likewise for tasks and
   protected bodies below. */
package_body_start
    : /* empty */                           { begin_package(context, $-1.text); }
    ;

package_body
    : KW_PACKAGE KW_BODY compound_name KW_IS package_body_start declarative_part
          package_body_statements_option KW_END end_compound_name_option ';'
        { finish_package_body(context, $10); }
    ;

package_body_statements_option
    : /* empty */
    | handled_sequence_of_statements
    ;

private_type_definition
    : tagged_option limited_option KW_PRIVATE
    ;

interface_type_definition
    : KW_INTERFACE interface_list_option
    ;

interface_list_option
    : /* empty */
    | interface_list
    ;

interface_list
    : subtype_mark
    | interface_list KW_AND subtype_mark
    ;

limited_option
    : /* empty */
    | KW_LIMITED
    ;

use_clause
    : KW_USE name_list ';'
    | KW_USE KW_TYPE name_list ';'
    ;

name_list
    : name
    | name_list ',' name
    ;

renaming_declaration
    : defining_identifier_list ':' object_qualifier subtype_indication renames_part ';'
    | defining_identifier_list ':' KW_EXCEPTION renames_part ';'
    | unit_renaming_declaration
    ;

unit_renaming_declaration
    : KW_PACKAGE compound_name renames_part ';'
        { finish_package_renaming(context, $2.text, $3.text, $4); }
    | subprogram_specification renames_part ';'
        { finish_subprogram_renaming(context, $2.text, $3); }
    | generic_formal_part KW_PACKAGE compound_name renames_part ';'
        { finish_generic_package_renaming(context, $3.text, $4.text, $5); }
    | generic_formal_part subprogram_specification renames_part ';'
        { finish_generic_subprogram_renaming(context, $3.text, $4); }
    ;

renames_part
    : KW_RENAMES name                       { $$.text = $2.text; }
    ;

task_declaration
    : task_specification ';'                { leave_unit(context); }
    ;

task_specification
    : KW_TASK simple_name task_definition_option
        { begin_task_declaration(context, $2.text); }
    | KW_TASK KW_TYPE simple_name discriminant_part_option task_definition_option
        { begin_task_type_declaration(context, $3.text); }
    ;

task_definition_option
    : /* empty */
    | KW_IS entry_declaration_list representation_clause_list task_private_option KW_END
          end_designator_option
    ;

task_private_option
    : /* empty */
    | KW_PRIVATE entry_declaration_list representation_clause_list
    ;

task_body_start
    : /* empty */                           { begin_task_body(context, $-1.text); }
    ;

task_body
    : KW_TASK KW_BODY simple_name KW_IS task_body_start declarative_part
          handled_sequence_of_statements KW_END end_designator_option ';'
        { finish_task_body(context, $10); }
    ;

protected_declaration
    : protected_specification ';'
    ;

protected_specification
    : KW_PROTECTED identifier protected_definition
    | KW_PROTECTED KW_TYPE simple_name discriminant_part_option protected_definition
    ;

protected_definition_start
    : /* empty */                           { open_protected_definition(context); }
    ;

protected_definition
    : KW_IS protected_definition_start protected_operation_declaration_list
          protected_private_option KW_END end_designator_option
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
    : entry_declaration
    | subprogram_specification ';'          { leave_unit(context); }
    | representation_clause
    | pragma
    ;

protected_element_declaration_list
    : /* empty */
    | protected_element_declaration_list protected_element_declaration
    ;

protected_element_declaration
    : protected_operation_declaration
    | component_declaration
    ;

protected_body_start
    : /* empty */                           { begin_protected_body(context, $-1.text); }
    ;

protected_body
    : KW_PROTECTED KW_BODY simple_name KW_IS protected_body_start protected_operation_body_list
          KW_END end_designator_option ';'
        { finish_protected_body(context, $9); }
    ;

protected_operation_body_list
    : pragma_list
    | protected_operation_body_list protected_operation_body pragma_list
    ;

protected_operation_body
    : entry_body
    | subprogram_body
    | subprogram_specification ';'          { leave_unit(context); }
    ;

entry_declaration_list
    : pragma_list
    | entry_declaration_list entry_declaration pragma_list
    ;

entry_declaration
    : KW_ENTRY identifier formal_part_option ';'
    | KW_ENTRY identifier '(' discrete_range ')' formal_part_option ';'
    ;

entry_body
    : KW_ENTRY identifier formal_part_option KW_WHEN condition entry_body_part
    | KW_ENTRY identifier '(' iterator_part discrete_range ')' formal_part_option KW_WHEN
          condition entry_body_part
    ;

entry_body_part
    : ';'
    | KW_IS declarative_part handled_sequence_of_statements KW_END end_designator_option ';'
    ;

representation_clause_list
    : /* empty */
    | representation_clause_list representation_clause pragma_list
    ;

entry_call_statement
    : procedure_call_statement
    ;

accept_statement
    : accept_header ';'
    | accept_header KW_DO statements_with_handlers KW_END end_designator_option ';'
    | KW_ACCEPT error ';'
    ;

accept_header
    : KW_ACCEPT entry_name formal_part_option
    ;

entry_name
    : simple_name
    | entry_name '(' expression ')'
    ;

delay_statement
    : KW_DELAY expression ';'
    | KW_DELAY KW_UNTIL expression ';'
    ;

select_statement
    : selective_accept
    | conditional_entry_call
    | timed_entry_call
    | asynchronous_select
    | KW_SELECT error ';'
    ;

selective_accept
    : KW_SELECT guarded_select_alternative or_select_list else_option KW_END KW_SELECT ';'
    ;

guarded_select_alternative
    : select_alternative
    | KW_WHEN condition ARROW select_alternative
    ;

or_select_list
    : /* empty */
    | or_select_list KW_OR guarded_select_alternative
    ;

select_alternative
    : accept_statement statements_option
    | delay_statement statements_option
    | KW_TERMINATE ';'
    ;

triggering_alternative
    : delay_statement statements_option
    | entry_call_statement statements_option
    ;

asynchronous_select
    : KW_SELECT triggering_alternative KW_THEN KW_ABORT sequence_of_statements KW_END KW_SELECT ';'
    ;

timed_entry_call
    : KW_SELECT entry_call_statement statements_option KW_OR delay_statement statements_option
          KW_END KW_SELECT ';'
    ;

conditional_entry_call
    : KW_SELECT entry_call_statement statements_option KW_ELSE sequence_of_statements KW_END
          KW_SELECT ';'
    ;

statements_option
    : /* empty */
    | sequence_of_statements
    ;

abort_statement
    : KW_ABORT name_list ';'
    ;

compilation
    : compilation_unit_list
    | error
    ;

compilation_unit_list
    : /* empty */
    | compilation_unit_list compilation_unit
    | pragma pragma_list
    ;

compilation_unit
    : context_clause private_option library_unit pragma_list
        { end_compilation_unit(context); }
    | private_option library_unit pragma_list
        { end_compilation_unit(context); }
    ;

private_option
    : /* empty */
    | KW_PRIVATE
    ;

context_clause
    : with_clause use_clause_or_pragma_list
    | context_clause with_clause use_clause_or_pragma_list
    ;

with_clause
    : limited_option private_option KW_WITH with_name_list ';'
        {
          /* An option is empty (a zeroed value) or its keyword (line 1 or more). */
          mark_with_clause(context, $1.line != 0, $2.line != 0);
          add_with_clause(context, $4.names);
          add_pending_with_names(context, $4.names);
        }
    ;

use_clause_or_pragma_list
    : /* empty */
    | use_clause_or_pragma_list use_clause
    | use_clause_or_pragma_list pragma
    ;

library_unit
    : package_declaration
    | package_body
    | subprogram_declaration
    | subprogram_body
    | subunit
    | generic_declaration
    | unit_renaming_declaration
    ;

/* $0 is the parent name of "separate (Parent)". */
subunit_parent_mark
    : /* empty */                           { begin_subunit(context, $0.text); }
    ;

subunit
    : KW_SEPARATE '(' compound_name subunit_parent_mark ')' proper_body_of_subunit
        { end_subunit(context); }
    ;

proper_body_of_subunit
    : subprogram_body
    | package_body
    | task_body
    | protected_body
    ;

body_stub
    : KW_TASK KW_BODY simple_name KW_IS KW_SEPARATE ';'
    | KW_PACKAGE KW_BODY compound_name KW_IS KW_SEPARATE ';'
    | subprogram_specification KW_IS KW_SEPARATE ';'
        { finish_subprogram_stub(context, $4); }
    | KW_PROTECTED KW_BODY simple_name KW_IS KW_SEPARATE ';'
    ;

exception_declaration
    : defining_identifier_list ':' KW_EXCEPTION ';'
    ;

exception_handler_part
    : KW_EXCEPTION exception_handler_list
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
    : KW_RAISE name_option ';'
    ;

requeue_statement
    : KW_REQUEUE name ';'
    | KW_REQUEUE name KW_WITH KW_ABORT ';'
    ;

generic_declaration
    : generic_formal_part subprogram_specification ';'
        { finish_generic_subprogram_declaration(context, $3); }
    | generic_formal_part package_specification ';' { finish_generic_package(context, $3); }
    ;

generic_formal_part
    : KW_GENERIC
    | generic_formal_part generic_formal_declaration
    ;

generic_formal_declaration
    : parameter_specification ';'
    | KW_TYPE simple_name generic_discriminant_part_option KW_IS generic_type_definition ';'
    | KW_WITH KW_PROCEDURE simple_name formal_part_option subprogram_default_option ';'
    | KW_WITH KW_FUNCTION designator formal_part_option KW_RETURN name subprogram_default_option ';'
    | KW_WITH KW_PACKAGE simple_name KW_IS KW_NEW name '(' BOX ')' ';'
    | KW_WITH KW_PACKAGE simple_name KW_IS KW_NEW name ';'
    | use_clause
    | pragma
    ;

generic_discriminant_part_option
    : /* empty */
    | discriminant_part
    | '(' BOX ')'
    ;

subprogram_default_option
    : /* empty */
    | KW_IS name
    | KW_IS BOX
    ;

generic_type_definition
    : '(' BOX ')'
    | KW_RANGE BOX
    | KW_MOD BOX
    | KW_DELTA BOX
    | KW_DELTA BOX KW_DIGITS BOX
    | KW_DIGITS BOX
    | array_type_definition
    | access_type_definition
    | private_type_definition
    | interface_type_definition
    | generic_derived_type_definition
    ;

generic_derived_type_definition
    : KW_NEW subtype_indication
    | KW_NEW subtype_indication KW_WITH KW_PRIVATE
    | KW_ABSTRACT KW_NEW subtype_indication KW_WITH KW_PRIVATE
    ;

subprogram_instantiation
    : subprogram_specification KW_IS generic_actual_part
        { finish_subprogram_instantiation(context); }
    ;

package_instantiation
    : KW_PACKAGE compound_name aspect_option KW_IS generic_actual_part
        { finish_package_instantiation(context, $2.text); }
    ;

generic_actual_part
    : KW_NEW name
    ;

representation_clause
    : attribute_definition_clause
    | record_representation_clause
    | address_clause
    ;

attribute_definition_clause
    : KW_FOR subtype_mark KW_USE expression ';'
    ;

record_representation_clause
    : KW_FOR subtype_mark KW_USE KW_RECORD alignment_clause_option component_clause_list KW_END
          KW_RECORD ';'
    ;

alignment_clause_option
    : /* empty */
    | KW_AT KW_MOD expression ';'
    ;

component_clause_list
    : /* empty */
    | component_clause_list subtype_mark KW_AT expression KW_RANGE range ';'
    ;

address_clause
    : KW_FOR subtype_mark KW_USE KW_AT expression ';'
    ;

code_statement
    : qualified_expression ';'
    ;

%%

/* Whatever went wrong, the user sees one warning with the position of the
   token that did not fit. */
void ac_yyerror(AnalysisContext* context, const char*) { report_not_ada95(context); }
