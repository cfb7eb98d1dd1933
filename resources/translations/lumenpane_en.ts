<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name></name>
    <message id="lp_tr_language">
        <source>English</source>
        <translation>English</translation>
    </message>
    <message id="lp_err_autoreconnect_failed">
        <source>couldn't auto-reconnect to device. Please, connect it manually later.</source>
        <translation>couldn't auto-reconnect to device. Please, connect it manually later.</translation>
    </message>
    <message id="lp_err_failed_manager_init">
        <source>failed to init: </source>
        <translation>failed to init: </translation>
    </message>
    <message id="lp_err_logger_cant_create_dirs">
        <source>failed to create dir used to store logs at: </source>
        <translation>failed to create dir used to store logs at: </translation>
    </message>
    <message id="lp_err_logger_cant_create_file">
        <source>failed to create log file at: </source>
        <translation>failed to create log file at: </translation>
    </message>
    <message id="lp_err_settings_cant_create_dirs">
        <source>failed to create dirs used to save profiles at: </source>
        <translation>failed to create dirs used to save profiles at: </translation>
    </message>
    <message id="lp_err_settings_cant_create_files">
        <source>failed to create files used to work with user profiles</source>
        <translation>failed to create files used to work with user profiles</translation>
    </message>
    <message id="lp_err_settings_cant_create_default">
        <source>default settings file cannot be generated at: </source>
        <translation>default settings file cannot be generated at: </translation>
    </message>
    <message id="lp_err_settings_custom_files_not_allowed">
        <source>you cannot set profile to use some custom file for writing: </source>
        <translation>you cannot set profile to use some custom file for writing: </translation>
    </message>
    <message id="lp_err_settings_cant_rewrite_current">
        <source>you were trying to rewrite 'current' preset, which is forbidden. Please, try again and choose different name of the file</source>
        <translation>you were trying to rewrite 'current' preset, which is forbidden. Please, try again and choose different name of the file</translation>
    </message>
    <message id="lp_err_settings_cant_rewrite_default">
        <source>you were trying to rewrite 'default' preset, which is forbidden. Please, try again and choose different name of the file</source>
        <translation>you were trying to rewrite 'default' preset, which is forbidden. Please, try again and choose different name of the file</translation>
    </message>
    <message id="lp_err_tr_files_lost">
        <source>translation files cannot be found</source>
        <translation>translation files cannot be found</translation>
    </message>
    <message id="lp_util_failed_to_create">
        <source>failed to create dir [ %1 ] at: %2</source>
        <translation>failed to create dir [ %1 ] at: %2</translation>
    </message>
    <message id="lp_err_trace_cant_create_dirs">
        <source>failed to create dir used to store trace files at: </source>
        <translation>failed to create dir used to store trace files at: </translation>
    </message>
    <message id="lp_err_trace_cant_create_file">
        <source>failed to create trace file at: </source>
        <translation>failed to create trace file at: </translation>
    </message>
    <message id="lp_err_trace_cant_create_text_file">
        <source>failed to create trace text file at: </source>
        <translation>failed to create trace text file at: </translation>
    </message>
    <message id="lp_err_trace_cant_get_bw_values">
        <source>failed to get bandwidth values</source>
        <translation>failed to get bandwidth values</translation>
    </message>
    <message id="lp_err_trace_cant_read_file">
        <source>failed to read trace file at: </source>
        <translation>failed to read trace file at: </translation>
    </message>
    <message id="lp_err_trace_cant_read_text_file">
        <source>failed to read trace text file at: </source>
        <translation>failed to read trace text file at: </translation>
    </message>
    <message id="lp_err_cant_write_settings">
        <source>settings cannot be written</source>
        <translation>settings cannot be written</translation>
    </message>
    <message id="lp_err_calib_cant_create_dirs">
        <source>failed to create dir used to store calibration files at: </source>
        <translation>failed to create dir used to store calibration files at: </translation>
    </message>
    <message id="lp_err_calib_cant_create_calib_table">
        <source>failed to create calib table at: </source>
        <translation>failed to create calib table at: </translation>
    </message>
    <message id="lp_err_calib_cant_create_table_file">
        <source>failed to load calib table file at: </source>
        <translation>failed to load calib table file at: </translation>
    </message>
    <message id="lp_err_calib_no_dir">
        <source>failed to find dir used to store calibration files at: </source>
        <translation>failed to find dir used to store calibration files at: </translation>
    </message>
    <message id="lp_err_calib_cant_create_device_dir">
        <source>failed to create dir used to store calibration files for this device at: </source>
        <translation>failed to create dir used to store calibration files for this device at: </translation>
    </message>
    <message id="lp_err_last_calib_lost">
        <source>last used calibration for this device is missing. Falling back to the factory calibration</source>
        <translation>last used calibration for this device is missing. Falling back to the factory calibration</translation>
    </message>
    <message id="lp_err_last_calib_cant_open">
        <source>failed to load last used calibration for this device from path: </source>
        <translation>failed to load last used calibration for this device from path: </translation>
    </message>
    <message id="lp_err_calib_wrong_device">
        <source>given calib file cannot be loaded because it was saved for another device: </source>
        <translation>given calib file cannot be loaded because it was saved for another device: </translation>
    </message>
    <message id="lp_err_calib_last_isnt_complete">
        <source>calibration type is not 'full', thus cannot be saved</source>
        <translation>calibration type is not 'full', thus cannot be saved</translation>
    </message>
    <message id="lp_err_calib_cant_create_file">
        <source>failed to create calib file at: </source>
        <translation>failed to create calib file at: </translation>
    </message>
    <message id="lp_err_device_doesnt_have_this_calib">
        <source>tried to access nonexistent calibration. Falling back to the factory calibration</source>
        <translation>tried to access nonexistent calibration. Falling back to the factory calibration</translation>
    </message>
    <message id="lp_err_calib_no_factory_calib">
        <source>Factory calibration is null. Device seems to be broken. Please, contact support</source>
        <translation>Factory calibration is null. Device seems to be broken. Please, contact support</translation>
    </message>
    <message id="lp_err_calib_try_send_factory_calib">
        <source>tried to send factory calibration to device but it's not allowed</source>
        <translation>tried to send factory calibration to device but it's not allowed</translation>
    </message>
    <message id="lp_chart_type_smith">
        <source>Smith</source>
        <translation>Smith</translation>
    </message>
    <message id="lp_chart_type_polar">
        <source>Polar</source>
        <translation>Polar</translation>
    </message>
    <message id="lp_chart_type_phase">
        <source>Phase</source>
        <translation>Phase</translation>
    </message>
    <message id="lp_chart_type_lin_mag">
        <source>Lin. mag.</source>
        <translation>Lin. mag.</translation>
    </message>
    <message id="lp_chart_type_log_mag">
        <source>Log. mag.</source>
        <translation>Log. mag.</translation>
    </message>
    <message id="lp_chart_type_swr">
        <source>SWR</source>
        <translation>SWR</translation>
    </message>
    <message id="lp_chart_type_dtf">
        <source>DTF</source>
        <translation>DTF</translation>
    </message>
    <message id="lp_chart_type_loss">
        <source>Loss</source>
        <translation>Loss</translation>
    </message>
    <message id="lp_dtf_time">
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message id="lp_dtf_distance">
        <source>Distance</source>
        <translation>Distance</translation>
    </message>
    <message id="lp_units_dtf_time">
        <source>ns</source>
        <translation>ns</translation>
    </message>
    <message id="lp_units_dtf_distance">
        <source>m</source>
        <translation>m</translation>
    </message>
    <message id="lp_axis_title_frequency">
        <source>Frequency</source>
        <translation>Frequency</translation>
    </message>
    <message id="lp_axis_title_angle">
        <source>Angle</source>
        <translation>Angle</translation>
    </message>
    <message id="lp_axis_title_voltage">
        <source>Voltage</source>
        <translation>Voltage</translation>
    </message>
    <message id="lp_axis_title_level">
        <source>Level</source>
        <translation>Level</translation>
    </message>
    <message id="lp_axis_title_swr">
        <source>SWR</source>
        <translation>SWR</translation>
    </message>
    <message id="lp_units_mhz">
        <source>MHz</source>
        <translation>MHz</translation>
    </message>
    <message id="lp_units_loss_db">
        <source>dB</source>
        <translation>dB</translation>
    </message>
    <message id="lp_units_loss_dbm">
        <source>dB/m</source>
        <translation>dB/m</translation>
    </message>
    <message id="lp_units_db">
        <source>dB</source>
        <translation>dB</translation>
    </message>
    <message id="lp_units_mv">
        <source>mV</source>
        <translation>mV</translation>
    </message>
    <message id="lp_units_angle">
        <source>°</source>
        <translation>°</translation>
    </message>
    <message id="lp_units_ohm">
        <source>Ohm</source>
        <translation>Ohm</translation>
    </message>
    <message id="lp_units_msiemens">
        <source>mS</source>
        <translation>mS</translation>
    </message>
    <message id="lp_units_nanohenry">
        <source>nH</source>
        <translation>nH</translation>
    </message>
    <message id="lp_units_picofarad">
        <source>pF</source>
        <translation>pF</translation>
    </message>
    <message id="lp_mark_type_re_im">
        <source>Re[mV], Im[mV]</source>
        <translation>Re[mV], Im[mV]</translation>
    </message>
    <message id="lp_mark_type_mag">
        <source>Mag[mV], Phase[°]</source>
        <translation>Mag[mV], Phase[°]</translation>
    </message>
    <message id="lp_mark_type_lmag">
        <source>Log. Mag[dB], Phase[°]</source>
        <translation>Log. Mag[dB], Phase[°]</translation>
    </message>
    <message id="lp_mark_type_swr">
        <source>SWR</source>
        <translation>SWR</translation>
    </message>
    <message id="lp_mark_type_imped">
        <source>Imp. R[Ohm], X[Ohm]
L[nH] / C[pF]</source>
        <translation>Imp. R[Ohm], X[Ohm]
L[nH] / C[pF]</translation>
    </message>
    <message id="lp_mark_type_admit">
        <source>Adm. G[mS], B[mS]
L[nH] / C[pF]</source>
        <translation>Adm. G[mS], B[mS]
L[nH] / C[pF]</translation>
    </message>
    <message id="lp_mark_type_loss">
        <source>Loss (trace)</source>
        <translation>Loss (trace)</translation>
    </message>
    <message id="lp_mark_type_dtf_point">
        <source>DTF Point</source>
        <translation>DTF Point</translation>
    </message>
    <message id="lp_mark_type_dtf_peak">
        <source>DTF Peak</source>
        <translation>DTF Peak</translation>
    </message>
    <message id="lp_mark_type_trace">
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message id="lp_mark_type_min_value">
        <source>Min.</source>
        <translation>Min.</translation>
    </message>
    <message id="lp_mark_type_max_value">
        <source>Max.</source>
        <translation>Max.</translation>
    </message>
    <message id="lp_mark_no_data">
        <source>No data.</source>
        <translation>No data.</translation>
    </message>
    <message id="lp_complex_real">
        <source>Re:</source>
        <translation>Re:</translation>
    </message>
    <message id="lp_complex_imag">
        <source>Im:</source>
        <translation>Im:</translation>
    </message>
    <message id="lp_mark_mag">
        <source>Mg:</source>
        <translation>Mg:</translation>
    </message>
    <message id="lp_mark_ph">
        <source>Ph:</source>
        <translation>Ph:</translation>
    </message>
    <message id="lp_mark_lmag">
        <source>LMg:</source>
        <translation>LMg:</translation>
    </message>
    <message id="lp_mark_swr">
        <source>SWR:</source>
        <translation>SWR:</translation>
    </message>
    <message id="lp_mark_inf">
        <source>Inf.</source>
        <translation>Inf.</translation>
    </message>
    <message id="lp_mark_loss">
        <source>Loss:</source>
        <translation>Loss:</translation>
    </message>
    <message id="lp_mark_amp">
        <source>Amplitude:</source>
        <translation>Amplitude:</translation>
    </message>
    <message id="lp_pfreq_start">
        <source>Start:</source>
        <translation>Start:</translation>
    </message>
    <message id="lp_pfreq_stop">
        <source>Stop:</source>
        <translation>Stop:</translation>
    </message>
    <message id="lp_chart_info_points">
        <source>Points:</source>
        <translation>Points:</translation>
    </message>
    <message id="lp_err_chart_type_bad">
        <source>chart type must be set</source>
        <translation>chart type must be set</translation>
    </message>
    <message id="lp_err_remote_cant_listen">
        <source>remote control cannot listen on port: </source>
        <translation>remote control cannot listen on port: </translation>
    </message>
    <message id="lp_psettings_remote_title">
        <source>Remote control</source>
        <translation>Remote control</translation>
    </message>
    <message id="lp_psettings_remote_enabled">
        <source>Enabled</source>
        <translation>Enabled</translation>
    </message>
    <message id="lp_psettings_remote_port">
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
</context>
</TS>
