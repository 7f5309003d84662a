# Sourced by test.sh: a running CUPS scheduler with a cups-pdf queue named PDF as the default
# printer; root's jobs land in /root/PDF/ as *job_<id>.pdf.
cups_running() { [[ "$(lpstat -r 2>/dev/null)" == "scheduler is running" ]]; }
if ! cups_running; then
  /usr/sbin/cupsd
  for _ in $(seq 100); do cups_running && [[ -s /run/cups/cupsd.pid ]] && break; sleep 0.1; done
  if cups_running; then
    QUILLON_CUPSD_PID=$(cat /run/cups/cupsd.pid)
    cleanups+=("kill $QUILLON_CUPSD_PID")
  else
    echo "cups.sh: the CUPS scheduler did not start" >&2
  fi
fi
if cups_running && ! lpstat -v PDF >/dev/null 2>&1; then
  lpadmin -p PDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd -o pdftops-renderer-default=pdftocairo \
    || echo "cups.sh: could not create the PDF queue" >&2
fi
if cups_running; then
  lpadmin -d PDF || echo "cups.sh: could not make PDF the default printer" >&2
  lpoptions -d PDF >/dev/null || true
fi
