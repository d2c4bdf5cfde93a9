#include <gtest/gtest.h>

#include "Actions/ShellRereading.h"

namespace {

QList<ShellRereading::Span> spansOf(const QString& text) {
    QList<ShellRereading::Span> spans;
    for (qsizetype at = text.indexOf("{{a}}"); at >= 0; at = text.indexOf("{{a}}", at + 1))
        spans.append({at, 5});
    return spans;
}

}  // namespace

// The check reads the template with quoted text already blanked: what is left is bash's own
// syntax. Arithmetic may name variables, as long as no value can reach them.
TEST(ShellRereadingTest, ArithmeticSubscriptsAndNamesAreRefusedOnlyWhereAValueCanReachThem) {
    struct Case {
        const char* text;
        bool rereads;
    };
    const Case cases[] = {
        // arithmetic: constants, variables the template never gives a value, loop counters
        {"echo $(( 1 + 2 )) {{a}}", false},
        {"echo $((n + 1)) {{a}}", false},
        {"for ((i=0;i<3;i++)); do echo {{a}}; done", false},
        {"n=$(( $(wc -l < f) + 1 )); echo $n {{a}}", false},
        {"n={{a}}; echo $((n + 1))", true},
        {"n={{a}}; m=$n; echo $((m))", true},
        {"read -r n <<< {{a}}; (( n > 1 ))", true},
        {"for n in {{a}}; do echo $((n)); done", true},
        {"echo $(( $(cat f) )) {{a}}", true},
        {"echo $(( $1 )) {{a}}", false},
        {"set -- {{a}}; echo $(( $1 ))", true},
        {"(( {{a}} ))", true},
        {"(( 1 )) {{a}} ((", true},
        {"echo $[ x ] {{a}}", false},
        // [[ … ]]: strings and files are compared; arithmetic operands and -v are not
        {"[[ -n {{a}} ]] && [[ {{a}} == main ]]", false},
        {"[[ $(date +%u) -gt 5 ]] && echo {{a}}", false},
        {"[[ {{a}} -gt 5 ]]", true},
        {"x={{a}}; [[ $x -gt 1 ]]", true},
        {"[[ -v HOME ]] && echo {{a}}", false},
        {"[[ -v {{a}} ]]", true},
        {"x={{a}}; [[ -v a[x] ]]", true},
        // subscripts and expansions
        {"a[1]=x; a[i]=y; echo {{a}}", false},
        {"x={{a}}; a[x]=1", true},
        {"x={{a}}; echo ${a[x]}", true},
        {"i={{a}}; a=(x y); echo $a[$i]", false},
        {"x={{a}}; echo ${HOME:x}", true},
        {"echo ${x:-{{a}}} ${HOME:1:2} ${#HOME} {{a}}", false},
        {"echo ${!x} {{a}}", true},
        {"echo ${x@P} {{a}}", true},
        {"echo ${x[{{a}}]}", true},
        // commands
        {"test -v HOME && echo {{a}}", false},
        {"x={{a}}; test -v $x", true},
        {"declare -a liste=(a b); echo {{a}}", false},
        {"local -i n; echo {{a}}", true},
        {"OPTIND=1; echo {{a}}", false},
        {"x={{a}}; OPTIND=$x", true},
        {"read -r RANDOM <<< {{a}}", true},
        {"x={{a}}; let y=x", true},
        {"echo {{a}} >&2 2>&1 >&- 3<&0", false},
        {"x={{a}}; echo >&$x", true},
    };
    for (const Case& c : cases) {
        // Where values may be is the value flow's to say, read over the template as marked.
        const ShellValueFlow::Flow flow =
            ShellValueFlow::follow(QString(c.text).replace("{{a}}", "${tavrin_value_1}"), 1);
        EXPECT_EQ(ShellRereading::mayReread(c.text, spansOf(c.text), {flow}).has_value(), c.rereads)
            << c.text;
    }
}
