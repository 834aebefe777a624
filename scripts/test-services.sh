#!/usr/bin/env bash
# Sourced by the test script after Wine is started (can also be sourced by hand before running the
# printing tests): makes sure a CUPS scheduler runs with a default PDF queue ("PDF", cups-pdf back
# end) whose files land in a folder of this test run, and arranges that a scheduler started here is
# stopped again by test_services_stop.
#
# Exports:
#   QEL_PRINT_PDF_DIR  folder where cups-pdf writes the PDF of every job on the PDF queue
#   QEL_PRINT_QUEUE    name of that queue
# Needs root (the scheduler's configuration and the cups-pdf configuration are system files).
# Expects BUILD_ROOT. Sourcing it returns non-zero when the queue cannot be made ready: the printing
# tests need it and would fail.

_qel_cupsd_pid=""
_qel_pdf_out_line=""

_qel_cups_running() { lpstat -r 2>/dev/null | grep -q "is running"; }

_qel_services_start() {
  export QEL_PRINT_QUEUE=PDF
  export QEL_PRINT_PDF_DIR="$BUILD_ROOT/print-out/pdf"
  mkdir -p "$QEL_PRINT_PDF_DIR"
  rm -f "$QEL_PRINT_PDF_DIR"/*.pdf
  chmod 0777 "$QEL_PRINT_PDF_DIR" 2>/dev/null || true

  if ! command -v cupsd >/dev/null 2>&1 && [ ! -x /usr/sbin/cupsd ]; then
    echo "test-services: cupsd is not installed (scripts/setup.sh installs it)" >&2
    unset QEL_PRINT_PDF_DIR
    return 1
  fi

  # cups-pdf reads its configuration for every job: point its output at our folder.
  local conf=/etc/cups/cups-pdf.conf
  if [ -w "$conf" ]; then
    _qel_pdf_out_line=$(grep -m1 '^Out ' "$conf" || true)
    if [ -n "$_qel_pdf_out_line" ]; then
      sed -i "s#^Out .*#Out ${QEL_PRINT_PDF_DIR}#" "$conf"
    else
      echo "Out ${QEL_PRINT_PDF_DIR}" >> "$conf"
    fi
  fi

  if ! _qel_cups_running; then
    mkdir -p /run/cups
    /usr/sbin/cupsd -f >/dev/null 2>&1 </dev/null &
    _qel_cupsd_pid=$!
    local i
    for i in $(seq 100); do _qel_cups_running && break; sleep 0.1; done
    if ! _qel_cups_running; then
      echo "test-services: cupsd did not start" >&2
      kill "$_qel_cupsd_pid" 2>/dev/null || true
      _qel_cupsd_pid=""
      unset QEL_PRINT_PDF_DIR
      return 1
    fi
  fi

  if ! lpstat -p "$QEL_PRINT_QUEUE" >/dev/null 2>&1; then
    # (lpadmin warns that PPD-based drivers are deprecated; the queue works all the same.)
    lpadmin -p "$QEL_PRINT_QUEUE" -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>&1 |
      grep -v deprecated >&2 || true
  fi
  cupsenable "$QEL_PRINT_QUEUE" 2>/dev/null || true
  cupsaccept "$QEL_PRINT_QUEUE" 2>/dev/null || true
  lpadmin -d "$QEL_PRINT_QUEUE" || return 1
  if ! lpstat -p "$QEL_PRINT_QUEUE" >/dev/null 2>&1 || ! grep -q "^Out ${QEL_PRINT_PDF_DIR}\$" /etc/cups/cups-pdf.conf; then
    echo "test-services: the $QEL_PRINT_QUEUE queue is not ready (queue missing or cups-pdf output not ours)" >&2
    return 1
  fi
  # Nothing left over from an earlier run may land in this run's folder.
  cancel -a -x 2>/dev/null || true
}

test_services_stop() {
  # cups-pdf writes where it wrote before this run.
  local conf=/etc/cups/cups-pdf.conf
  if [ -n "$_qel_pdf_out_line" ] && [ -w "$conf" ]; then
    sed -i "s#^Out .*#${_qel_pdf_out_line}#" "$conf"
    _qel_pdf_out_line=""
  fi
  if [ -n "$_qel_cupsd_pid" ]; then
    cancel -a -x 2>/dev/null || true
    kill "$_qel_cupsd_pid" 2>/dev/null || true
    wait "$_qel_cupsd_pid" 2>/dev/null || true
    _qel_cupsd_pid=""
  fi
}

_qel_services_start
