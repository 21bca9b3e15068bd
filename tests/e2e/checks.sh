# Sourced by the end-to-end case scripts: one PASS or FAIL line per check,
# failures counted in $failures.
failures=0
check() {  # check CONDITION-STATUS TEXT [DETAIL]
    if [ "$1" = 0 ]; then
        echo "PASS $2"
    else
        echo "FAIL $2${3:+: $3}"
        failures=$((failures + 1))
    fi
}
