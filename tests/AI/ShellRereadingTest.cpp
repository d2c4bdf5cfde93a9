#include <gtest/gtest.h>

#include "AI/ShellRereading.h"

namespace {

QList<ShellRereading::Span> spansOf(const QString& text) {
    QList<ShellRereading::Span> spans;
    for (qsizetype at = text.indexOf("{{a}}"); at >= 0; at = text.indexOf("{{a}}", at + 1))
        spans.append({at, 5});
    return spans;
}

}  // namespace

// The check reads no quotes at all, so a construct hidden from a quote-aware reader by a
// quote it misread is still found; it errs towards refusing.
TEST(ShellRereadingTest, ArithmeticNamesAndEvaluatingExpansionsAreFoundWhateverTheQuoting) {
    struct Case {
        const char* text;
        bool rereads;
    };
    const Case cases[] = {
        // arithmetic: constants only, or nothing reaches it
        {"echo $(( 1 + 2 )) {{a}}", false},
        {"echo $((n + 1)) {{a}}", true},
        {"echo '$(( {{a}} ))'", true},
        {"echo \"$(( x \")\" )) {{a}}\"", true},
        {"(( 1 )) {{a}} ((", true},
        {"echo $[ 2 * 3 ] {{a}}", false},
        {"echo $[ x ] {{a}}", true},
        // [[ … ]]: a value inside, or operators that read names or arithmetic
        {"[[ -f /etc/passwd ]] && echo {{a}}", false},
        {"[[ $x == y ]] && echo {{a}}", false},
        {"[[ $x -gt 1 ]] && echo {{a}}", true},
        {"[[ -v x ]] && echo {{a}}", true},
        {"echo '[[ {{a}} ]]'", true},
        // subscripts that are assigned or name a variable
        {"a[1]=x; echo {{a}}", false},
        {"a[i]=x; echo {{a}}", true},
        {"echo *.[ch] --opt=[{{a}}]", false},
        {"a=( [k]=v ) {{a}}", true},
        // ${…}: a default or pattern is plain, anything that evaluates is not
        {"echo ${HOME:-/} ${#HOME} ${x%.*} ${1} ${@} {{a}}", false},
        {"echo ${HOME:1:2} ${a[@]} ${a[0]} {{a}}", false},
        {"echo ${HOME:n} {{a}}", true},
        {"echo ${!x} {{a}}", true},
        {"echo ${a[i]} {{a}}", true},
        {"echo ${x@P} {{a}}", true},
        {"echo ${(e)x} {{a}}", true},
        {"echo ${x:-{{a}}}", true},
        {"echo ${x:-\"}\"{{a}}}", false},
        {"echo ${x", true},
        // declarations that make values arithmetic, arrays or references, and commands that
        // evaluate their arguments
        {"local -i n; echo {{a}}", true},
        {"export -n X; echo {{a}}", true},
        {"declare -r X=1; echo {{a}}", false},
        {"x=(1); declare x={{a}}", true},
        {"mapfile -t x < f; f() { local y={{a}}; }", true},
        {"x=(1); y={{a}}", false},
        {"f() { typeset -a list; }; echo {{a}}", true},
        {"x={{a}}; let y=x", true},
        {"echo x; integer n={{a}}", true},
        {"echo 'let it be' {{a}}", false},
        {"[ -v x ] || echo {{a}}", true},
        {"test -n x && echo {{a}}", false},
        // redirections whose target bash expands twice
        {"echo {{a}} >&2 2>&1 >&- 3<&0 >&10", false},
        {"x={{a}}; echo >&\"$x\"", true},
        {"echo x >& {{a}}", true},
        // variables bash reads as arithmetic when they are set
        {"x={{a}}; OPTIND=$x", true},
        {"read -r RANDOM <<< {{a}}", true},
        {"echo $RANDOM ${OPTIND} {{a}}", false},
        // zsh patterns made of values
        {"x={{a}}; echo $~x", true},
        {"setopt GlobSubst; x={{a}}; echo $x", true},
        {"emulate sh; echo {{a}}", true},
        {"echo *(e:\"test -n {{a}}\":)", true},
        {"f() { echo {{a}}; }; f", false},
        {"echo $(date) <(ls) x=(1) {{a}}", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShellRereading::mayReread(c.text, spansOf(c.text)), c.rereads) << c.text;
}
