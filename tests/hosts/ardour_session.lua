-- A headless Ardour session that plays audio through MELP on a track and compares what
-- comes out with what went in, sample by sample and bit for bit.
--
--   ardour7-lua ardour_session.lua SESSION_DIR PLUGIN_NAME
--   ardour7-lua ardour_session.lua SESSION_DIR list
--   ardour7-lua ardour_session.lua SESSION_DIR PLUGIN_NAME demo SECONDS DEVICE
--
-- The plug-in must already be in Ardour's VST index (ardour-vst-scanner) and in a folder of
-- LXVST_PATH. Prints one "result:" line per comparison and a last line "session: pass" or
-- "session: FAIL ..." that the calling script checks.
--
-- With "list" it only opens a session and prints the VST plug-ins the session can use, one
-- "plug-in:" line each. Opening a session is also when Ardour notes new libraries in
-- LXVST_PATH in its scan log, to be indexed by the scanner; until then they are not usable.
--
-- With "demo" it records SECONDS of the dummy backend's DEVICE (a generator such as "Sine
-- Sweep Swell") on "Source", inserts the plug-in there and saves the session: a session
-- to open in Ardour's window, where the plug-in's panel meters the take.
--
-- 1. Record the dummy backend's white noise on the stereo track "Source" for three seconds
--    (a second and a half or more reach the disk); the take is what goes in.
-- 2. Insert the plug-in at the top of "Source" and bounce the take through the track's
--    chain up to and including the plug-in (the host's offline path).
-- 3. Play the take back in real time through the plug-in, with "Source" feeding the
--    inputs of a second track, "Capture", that records it (the host's live path).
-- Region fades are switched off: a fade is the host's own gain ramp on the first and
-- last 64 samples of a region, not something the plug-in does. The fader stays at 0 dB
-- and the panner in the middle, where Ardour passes stereo through unchanged.
-- And the take is moved half a second into the timeline before it plays: Ardour ramps a
-- track's output up over its first 2816 samples after the transport starts (its declick),
-- and that ramp must fall on silence.

local session_dir, plugin_name, mode = arg[1], arg[2], arg[3]
assert(session_dir and plugin_name, "usage: ardour_session.lua SESSION_DIR PLUGIN_NAME")
local demo_seconds, device = tonumber(arg[4]), arg[5] or "Uniform White Noise"

local rate = 48000
local failures = 0
local function fail(what) failures = failures + 1; print("result: FAIL " .. what) end

local function wait_for(cond, seconds)
  for _ = 1, seconds * 20 do
    if cond() then return true end
    sleep(0.05)
  end
  return cond()
end

local backend = AudioEngine:set_backend("None (Dummy)", "", "")
assert(backend, "Ardour's dummy backend is missing")
backend:set_device_name(device)
AudioEngine:set_sample_rate(rate)
AudioEngine:set_buffer_size(256)
assert(AudioEngine:start(false) == 0, "the audio engine did not start")

local s = create_session(session_dir, "melp", rate)
assert(s, "no session")

if plugin_name == "list" then
  for p in ARDOUR.LuaAPI.list_plugins():iter() do
    if p.type == ARDOUR.PluginType.LXVST then
      print(string.format("plug-in: %s by %s, unique id %s, %s", p.name, p.creator, p.unique_id, p.path))
    end
  end
  close_session()
  return
end

-- The track lists stay referenced: a list's front() is a reference into the list.
local track_lists = {}
local function new_track(name, auto_connect)
  local tl = s:new_audio_track(2, 2, nil, 1, name, ARDOUR.PresentationInfo.max_order,
                               ARDOUR.TrackMode.Normal, auto_connect)
  assert(tl:size() == 1, "could not add track " .. name)
  track_lists[#track_lists + 1] = tl
  return tl:front()
end

local function roll_for(seconds)
  s:request_locate(0, false, ARDOUR.LocateTransportDisposition.MustStop,
                   ARDOUR.TransportRequestSource.TRS_UI)
  assert(wait_for(function() return s:transport_sample() == 0 end, 5), "locate to 0 failed")
  s:maybe_enable_record(false)
  s:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
  assert(wait_for(function() return s:transport_rolling() end, 5), "transport did not roll")
  sleep(seconds)
  s:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
  assert(wait_for(function() return not s:transport_rolling() end, 5), "transport did not stop")
  sleep(0.5) -- the butler finishes writing the take
end

local function only_region(track)
  local found = {}
  for r in track:playlist():region_list():iter() do found[#found + 1] = r end
  assert(#found == 1, track:name() .. " has " .. #found .. " regions, not 1")
  local r = found[1]:to_audioregion()
  r:set_fade_in_active(false)
  r:set_fade_out_active(false)
  return r
end

local chunk = 8192
local mem_a = ARDOUR.DSP.DspShm(chunk)
local mem_b = ARDOUR.DSP.DspShm(chunk)

-- Compares `length` samples per channel of two regions' sources from the given offsets.
-- Returns the number of samples that differ in their bits and the first of them.
local function compare(a, a_offset, b, b_offset, length)
  local ra, rb = a:to_readable(), b:to_readable()
  local differing, first = 0, nil
  for c = 0, 1 do
    local done = 0
    while done < length do
      local n = math.min(chunk, length - done)
      local got_a = ra:read(mem_a:to_float(0), a_offset + done, n, c)
      local got_b = rb:read(mem_b:to_float(0), b_offset + done, n, c)
      assert(got_a == n and got_b == n, "short read")
      local da, db = mem_a:to_float(0):array(), mem_b:to_float(0):array()
      for i = 1, n do
        -- string.pack compares the stored float's bits, so -0 and 0 differ, as do NaNs.
        if string.pack("f", da[i]) ~= string.pack("f", db[i]) then
          differing = differing + 1
          if not first then
            first = string.format("channel %d sample %d: %.9g in, %.9g out", c, done + i - 1, da[i], db[i])
          end
        end
      end
      done = done + n
    end
  end
  return differing, first
end

local function check_equal(what, a, a_offset, b, b_offset, length)
  local differing, first = compare(a, a_offset, b, b_offset, length)
  if differing == 0 then
    print(string.format("result: %s: %d samples per channel, all equal", what, length))
  else
    fail(string.format("%s: %d of %d samples differ; first at %s", what, differing, 2 * length, first))
  end
end

-- 1. The take.
local source = new_track("Source", true)
local capture = mode ~= "demo" and new_track("Capture", false) or nil
source:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup)
roll_for(mode == "demo" and demo_seconds or 3)
source:rec_enable_control():set_value(0, PBD.GroupControlDisposition.NoGroup)
local take = only_region(source)
local take_length = take:length():samples()
assert(take_length > rate, "the take is too short: " .. take_length)
take:set_position(Temporal.timepos_t(rate // 2))
local take_start = take:position():samples()
print(string.format("take: %d samples per channel at %d Hz", take_length, rate))

-- 2. The plug-in on the track.
local plugin = ARDOUR.LuaAPI.new_plugin(s, plugin_name, ARDOUR.PluginType.LXVST, "")
assert(not plugin:isnil(), plugin_name .. " is not in Ardour's plug-in index")
assert(source:add_processor_by_index(plugin, 0, nil, true) == 0, "could not insert the plug-in")
plugin:activate()
local insert = plugin:to_insert()
local info = insert:plugin(0):get_info()
print(string.format("plug-in: %s by %s, unique id %s, %d in %d out", info.name, info.creator,
                    info.unique_id, info.n_inputs:n_audio(), info.n_outputs:n_audio()))
assert(plugin:active(), "the plug-in is not active")

if mode == "demo" then
  s:save_state("", false, false, false)
  close_session()
  print("session: saved")
  return
end

local bounced = source:bounce_range(take_start, take_start + take_length, ARDOUR.InterThreadInfo(), plugin, true, "bounce")
assert(not bounced:isnil(), "the bounce made no region")
bounced = bounced:to_audioregion()
check_equal("bounce through the plug-in", take, 0, bounced, 0, take_length)

-- 3. Live playback into the second track.
source:output():disconnect_all(nil)
capture:input():disconnect_all(nil)
for c = 0, 1 do
  assert(source:output():audio(c):connect(capture:input():audio(c):name()) == 0, "connect failed")
end
capture:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup)
roll_for((take_start + take_length) / rate + 0.5)
local captured = only_region(capture)
-- Both regions stand on the session's timeline: align the two by their positions.
local offset = captured:position():samples() - take_start
local overlap = math.min(take_length - math.max(offset, 0), captured:length():samples() + math.min(offset, 0))
print(string.format("capture: %d samples per channel, at %d samples from the take", captured:length():samples(), offset))
if overlap < take_length - rate / 10 then
  fail(string.format("the capture covers only %d of the take's %d samples", overlap, take_length))
else
  check_equal("live playback through the plug-in",
              take, math.max(offset, 0), captured, math.max(-offset, 0), overlap)
end

s:save_state("", false, false, false)
close_session()
if failures == 0 then print("session: pass") else print("session: FAIL (" .. failures .. ")") end
