#include "CliCompletion.h"

#include <sstream>

namespace {

// "read", "repeater write": a command's words after the program's name.
std::string NodeName(const CLI::App& command)
{
    std::string name;
    for (const CLI::App* app = &command; app->get_parent(); app = app->get_parent())
        name = app->get_name() + (name.empty() ? "" : " " + name);
    return name;
}

// The type name alone, without what validators add ("1..9:..." -> "1..9").
std::string TypeName(const CLI::Option& option)
{
    const std::string type = option.get_type_name();
    return type.substr(0, type.find(':'));
}

void AddEntry(std::ostringstream& tree, const std::string& key, const std::string& value)
{
    tree << "    [\"" << key << "\"]=\"" << value << "\"\n";
}

void AddNode(std::ostringstream& tree, const CLI::App& command)
{
    const std::string node = NodeName(command);
    std::string subcommands;
    for (const CLI::App* sub : command.get_subcommands({}))
        subcommands += (subcommands.empty() ? "" : " ") + sub->get_name();
    std::string options;
    std::string arguments;
    bool more = false;
    for (const CLI::Option* option : command.get_options()) {
        if (option->get_group().empty())
            continue; // hidden
        if (option->get_positional()) {
            arguments += (arguments.empty() ? "" : " ") + TypeName(*option);
            more = option->get_items_expected_max() > 1;
            continue;
        }
        std::vector<std::string> names;
        for (const std::string& s : option->get_snames())
            names.push_back("-" + s);
        for (const std::string& l : option->get_lnames())
            names.push_back("--" + l);
        for (const std::string& name : names) {
            options += (options.empty() ? "" : " ") + name;
            if (option->get_items_expected_max() > 0) // not a flag
                AddEntry(tree, node + ":val:" + name, TypeName(*option));
        }
    }
    AddEntry(tree, node + ":sub", subcommands);
    AddEntry(tree, node + ":opt", options);
    AddEntry(tree, node + ":arg", arguments);
    if (more)
        AddEntry(tree, node + ":more", "1");
    for (const CLI::App* sub : command.get_subcommands({}))
        AddNode(tree, *sub);
}

// What completes the tree: reads the words before the cursor down the tree,
// then offers the value an option or argument takes, or the options and
// commands that may come next.
constexpr const char* kFunctions = R"BASH(
# The COM numbers whose device is present, as "tunebench-cli ports" resolves them.
_tunebench_cli_coms() {
    local line coms=
    while IFS= read -r line; do
        [[ $line =~ ^COM([1-9])\ .*\ present ]] && coms+="${BASH_REMATCH[1]} "
    done < <("$1" ports 2>/dev/null)
    echo "${coms:-1 2 3 4 5 6 7 8 9}"
}

# Values of one type name: $1 the type, $2 the program, $3 the word so far.
_tunebench_cli_values() {
    local type=$1 cur=$3
    case $type in
    FILE | PATH)
        compopt -o filenames 2>/dev/null
        local IFS=$'\n'
        COMPREPLY+=($(compgen -f -- "$cur"))
        ;;
    1..9) COMPREPLY+=($(compgen -W "$(_tunebench_cli_coms "$2")" -- "$cur")) ;;
    *'|'*) COMPREPLY+=($(compgen -W "${type//|/ }" -- "$cur")) ;;
    [0-9]..[0-9] | [0-9]..1[0-9]) COMPREPLY+=($(compgen -W "$(seq "${type%%..*}" "${type##*..}")" -- "$cur")) ;;
    esac
}

_tunebench_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} node= word expect= i
    local -i args=0
    COMPREPLY=()
    # "--baud=96" reaches us as "--baud" "=" "96".
    [[ $cur == = ]] && cur=
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        [[ $word == = ]] && continue
        if [[ -n $expect ]]; then
            expect=
            continue
        fi
        if [[ $word == -* ]]; then
            [[ -n ${_tunebench_cli_tree["$node:val:$word"]+set} ]] && expect=$word
            continue
        fi
        if ((args == 0)) && [[ " ${_tunebench_cli_tree["$node:sub"]} " == *" $word "* ]]; then
            node=${node:+$node }$word
        else
            args+=1
        fi
    done
    if [[ -n $expect ]]; then
        _tunebench_cli_values "${_tunebench_cli_tree["$node:val:$expect"]}" "${COMP_WORDS[0]}" "$cur"
        return
    fi
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "${_tunebench_cli_tree["$node:opt"]}" -- "$cur"))
        return
    fi
    local -a types=(${_tunebench_cli_tree["$node:arg"]})
    if ((args < ${#types[@]})); then
        _tunebench_cli_values "${types[args]}" "${COMP_WORDS[0]}" "$cur"
    elif [[ -n ${_tunebench_cli_tree["$node:more"]-} ]]; then
        _tunebench_cli_values "${types[-1]}" "${COMP_WORDS[0]}" "$cur"
    fi
    ((args == 0)) && COMPREPLY+=($(compgen -W "${_tunebench_cli_tree["$node:sub"]}" -- "$cur"))
    return 0
}
complete -F _tunebench_cli tunebench-cli
)BASH";

} // namespace

std::string BashCompletionScript(const CLI::App& root)
{
    std::ostringstream script;
    script << "# bash completion for " << root.get_name() << ", made from its command tree when it was built.\n"
           << "# Keys: \"<command words>:sub\" its subcommands, \":opt\" its options, \":val:<option>\" the type\n"
           << "# of an option's value, \":arg\" the types of its arguments, \":more\" the last one repeats.\n"
           << "declare -gA _tunebench_cli_tree=(\n";
    AddNode(script, root);
    script << ")\n" << kFunctions;
    return script.str();
}
