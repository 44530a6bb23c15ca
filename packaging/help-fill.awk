# Fills a template from a program's own --help text, so that the manual pages and
# the shell completion say what the program says.
#
#   awk -f help-fill.awk [-v strict=1] [-v version=V] HELP TYPES FAULTS TEMPLATE TEMPLATE
#
# HELP is the --help output (QCommandLineParser layout: a usage line, the
# description, whose "Header:" lines start blocks of "  key  text" items, then
# "Options:" and "Arguments:"). TYPES holds one chip type name per line, FAULTS
# one simulator fault per line: its name, a tab and what follows it (":ADR"). The
# template is read twice: first for its @ lines, then to write it out.
#
# Lines of the template that start with "@":
#   @options          one .TP entry per option of the help text
#   @block HEADER     one .TP entry per item of the description block "HEADER:"
#   @types            the chip type names as one roff paragraph
#   @translate        every option and block item must have an @tr line
#   @tr KEY [ARGS] :: TEXT
#                     says TEXT instead of the help text for the option or item KEY
#                     ("--type", "burn", "3"); ARGS, if given, replace its argument
#                     names and must be as many as the help text's. TEXT is roff.
# Everywhere: @VERSION@ is the version, and within a line @OPTIONS@, @VALUE_OPTIONS@,
# @BLOCK:HEADER@ and @TYPES@ become space-separated word lists (for shell code), as
# does @FAULT_WORDS@ (the fault names, with ":" where an argument follows);
# @FAULTS@ becomes the faults as a roff list, in template lines and @tr texts alike.
#
# Differences between template and help text (an item without @tr in a
# translated page, an @tr for something the help text does not have, a different
# number of arguments) are reported on standard error; with strict=1 they fail.

function trim(s) {
  sub(/^[ \t]+/, "", s)
  sub(/[ \t]+$/, "", s)
  return s
}

# Splits "  left   text" at the first run of two or more spaces after the left part.
function split_item(line, parts,    s, i) {
  s = line
  sub(/^ +/, "", s)
  i = match(s, /  +/)
  if (i == 0) {
    parts[1] = s
    parts[2] = ""
  } else {
    parts[1] = substr(s, 1, i - 1)
    parts[2] = trim(substr(s, i))
  }
}

function complain(text) {
  printf "%s: %s\n", template_name, text > "/dev/stderr"
  problems++
}

# Roff: a backslash is \e, "--" stays two minus signs, a leading . or ' is text.
function roff(s) {
  gsub(/\\/, "\\e", s)
  gsub(/-/, "\\-", s)
  if (s ~ /^[.']/) {
    s = "\\&" s
  }
  return s
}

# Like roff(), but a hyphen inside a word stays a hyphen (Data-EEPROM).
function roff_text(s,    out, i, c, prev, n, w) {
  gsub(/\\/, "\\e", s)
  out = ""
  prev = " "
  for (i = 1; i <= length(s); i++) {
    c = substr(s, i, 1)
    if (c == "-" && (prev == " " || prev == "-" || prev == "(" || prev == "/")) {
      out = out "\\-"
    } else {
      out = out c
    }
    prev = c
  }
  # \% keeps a word with a hyphen inside (no-bulk-erase) from being broken at it.
  n = split(out, w, " ")
  out = ""
  for (i = 1; i <= n; i++) {
    out = out (i > 1 ? " " : "") (w[i] ~ /[^ ]-/ ? "\\%" : "") w[i]
  }
  if (out ~ /^[.']/) {
    out = "\\&" out
  }
  return out
}

function count_words(s,    w) {
  return s == "" ? 0 : split(s, w, " ")
}

# An item's .TP entry: the key in bold, its arguments in italics.
function entry(key, args, text, is_option, value,    out, n, w, i) {
  if (key in tr_text) {
    used[key] = 1
    if (tr_has_args[key]) {
      if (is_option ? ((tr_args[key] != "") != (value != "")) : (count_words(tr_args[key]) != count_words(args))) {
        complain("@tr " key ": the help text has " (is_option ? "value " value : "arguments \"" args "\""))
      }
      if (is_option) value = tr_args[key]; else args = tr_args[key]
    }
    text = expand(tr_text[key])
  } else {
    if (translate) complain("no @tr for " key " (help text: " text ")")
    text = roff_text(text)
  }
  out = ".TP\n"
  if (is_option) {
    n = split(key_names[key], w, " ")
    for (i = 1; i <= n; i++) {
      out = out (i > 1 ? ", " : "") "\\fB" roff(w[i]) "\\fR"
    }
    if (value != "") {
      out = out "=\\fI" roff(value) "\\fR"
    }
  } else {
    out = out "\\fB" roff(key) "\\fR"
    n = split(args, w, " ")
    for (i = 1; i <= n; i++) {
      out = out " \\fI" roff(w[i]) "\\fR"
    }
  }
  return out "\n" text
}

# --- pass 1: the help text -------------------------------------------------
FNR == 1 { file++ }

file == 1 && FNR == 1 { section = "description"; next }
file == 1 && /^(Options|Optionen):$/ { section = "options"; next }
file == 1 && /^(Arguments|Argumente):$/ { section = "arguments"; next }
file == 1 && section == "description" {
  if ($0 == "") {
    header = ""
  } else if ($0 ~ /^[^ ].*:$/) {
    header = substr($0, 1, length($0) - 1)
    blocks[header] = 0
  } else if (header != "" && $0 ~ /^  [^ ]/) {
    split_item($0, part)
    n = ++blocks[header]
    words = part[1]
    key = words
    sub(/ .*/, "", key)
    args = words
    sub(/^[^ ]*/, "", args)
    block_key[header, n] = key
    block_args[header, n] = trim(args)
    block_text[header, n] = part[2]
  } else if (header != "" && $0 ~ /^   /) {
    n = blocks[header]
    block_text[header, n] = block_text[header, n] " " trim($0)
  }
  next
}
file == 1 && section == "options" {
  if ($0 ~ /^  -/) {
    split_item($0, part)
    names = part[1]
    value = ""
    if (match(names, /<[^>]*>/)) {
      value = substr(names, RSTART + 1, RLENGTH - 2)
      names = trim(substr(names, 1, RSTART - 1))
    }
    gsub(/,/, "", names)
    key = names
    sub(/.* /, "", key)
    options[++option_count] = key
    key_names[key] = names
    option_value[key] = value
    option_text[key] = part[2]
  } else if ($0 ~ /^   / && option_count > 0) {
    key = options[option_count]
    option_text[key] = trim(option_text[key] " " trim($0))
  }
  next
}
file == 1 { next }

# --- pass 2: the chip types --------------------------------------------------
file == 2 { if (NF) types[++type_count] = $1; next }

# --- pass 3: the simulator's faults ---------------------------------------------
file == 3 {
  if (NF) {
    split($0, part, "\t")
    fault_count++
    fault_name[fault_count] = part[1]
    fault_syntax[fault_count] = part[2]
  }
  next
}

# --- pass 4: the template's directives ----------------------------------------
file == 4 {
  template_name = FILENAME
  if ($0 ~ /^@translate[ \t]*$/) translate = 1
  if ($0 ~ /^@tr /) {
    line = substr($0, 5)
    i = index(line, " :: ")
    if (i == 0) {
      complain("@tr without \" :: \": " $0)
      next
    }
    left = trim(substr(line, 1, i - 1))
    key = left
    sub(/[ =].*/, "", key)
    rest = substr(left, length(key) + 1)
    sub(/^[ =]/, "", rest)
    tr_text[key] = trim(substr(line, i + 4))
    tr_args[key] = rest
    tr_has_args[key] = (left != key)
  }
  next
}

# --- pass 5: writing the template ---------------------------------------------
function word_list(what,    s, i, h) {
  s = ""
  if (what == "OPTIONS") {
    for (i = 1; i <= option_count; i++) s = s (s == "" ? "" : " ") options[i]
  } else if (what == "VALUE_OPTIONS") {
    for (i = 1; i <= option_count; i++) if (option_value[options[i]] != "") s = s (s == "" ? "" : " ") options[i]
  } else if (what == "TYPES") {
    for (i = 1; i <= type_count; i++) s = s (s == "" ? "" : " ") types[i]
  } else if (what == "FAULT_WORDS") {
    for (i = 1; i <= fault_count; i++) {
      s = s (s == "" ? "" : " ") fault_name[i] (fault_syntax[i] == "" ? "" : ":")
    }
  } else if (what == "FAULTS") {
    # bad-cell:ADR -> \fBbad\-cell\fR:\fIADR\fR
    for (i = 1; i <= fault_count; i++) {
      arg = roff(fault_syntax[i])
      gsub(/[A-Z]+/, "\\fI&\\fR", arg)
      s = s (s == "" ? "" : ", ") "\\fB" roff(fault_name[i]) "\\fR" arg
    }
  } else if (what ~ /^BLOCK:/) {
    h = substr(what, 7)
    if (!(h in blocks)) complain("the help text has no block \"" h ":\"")
    for (i = 1; i <= blocks[h]; i++) s = s (s == "" ? "" : " ") block_key[h, i]
  } else {
    complain("unknown @" what "@")
  }
  return s
}

# The @...@ words of a line.
function expand(line) {
  gsub(/@VERSION@/, version, line)
  while (match(line, /@[A-Z_]+(:[^@]+)?@/)) {
    line = substr(line, 1, RSTART - 1) word_list(substr(line, RSTART + 1, RLENGTH - 2)) substr(line, RSTART + RLENGTH)
  }
  return line
}

file == 5 && /^@options[ \t]*$/ {
  for (i = 1; i <= option_count; i++) {
    key = options[i]
    print entry(key, "", option_text[key], 1, option_value[key])
  }
  next
}
file == 5 && /^@block / {
  h = trim(substr($0, 8))
  if (!(h in blocks)) complain("the help text has no block \"" h ":\"")
  for (i = 1; i <= blocks[h]; i++) {
    print entry(block_key[h, i], block_args[h, i], block_text[h, i], 0, "")
  }
  next
}
file == 5 && /^@types[ \t]*$/ {
  s = ""
  for (i = 1; i <= type_count; i++) s = s (i > 1 ? ", " : "") "\\fB" types[i] "\\fR"
  print s
  next
}
file == 5 && /^@/ { next }
file == 5 {
  print expand($0)
  next
}

END {
  for (key in tr_text) {
    if (!(key in used)) complain("@tr " key ": the help text has no such option or item")
  }
  if (strict && problems) exit 1
}
